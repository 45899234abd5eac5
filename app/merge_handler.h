// The merge button's handler.
#pragma once

namespace vellumark {

struct ProgramState;
class MainWindow;

// Runs the merge for the checked layout choice with the window in its busy
// look, reports the outcome and, when the merged file was saved, records
// its paper settings and opens the print options. The caller holds the
// invoice folder's and the program directory's locks.
void StartMerge(ProgramState& state, MainWindow& window);

}  // namespace vellumark
