// Start-up and shutdown of the program.
#pragma once

#include "core/program_state.h"

#include <memory>

namespace vellumark {

class MainWindow;

// Runs once the main window exists: skin, renderer, start state, drop target.
void MainWindowCreated(ProgramState& state, MainWindow& window);

// Releases the library object and frees the program-wide state.
void ExitCleanup(std::unique_ptr<ProgramState>& state);

// The whole program: start-up, the message loop, shutdown. Returns the
// loop's exit code.
int ProgramStart(int argc, char** argv);

}  // namespace vellumark
