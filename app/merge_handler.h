// The merge button's handler.
#pragma once

namespace vellumark {

struct ProgramState;
class MainWindow;

// Runs the merge for the checked layout choice and reports it.
void StartMerge(ProgramState& state, MainWindow& window);

}  // namespace vellumark
