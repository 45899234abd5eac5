// Start-up and shutdown of the program.
#pragma once

#include "program_state.h"

#include <memory>

namespace vellumark {

class MainWindow;

// The window-less half of start-up: the library is deployed and activated in
// `programDirectory` and the program-wide state is ready. Never fails; a
// library that cannot be activated leaves the facade empty.
std::unique_ptr<ProgramState> CreateProgramState(const std::string& programDirectory);

// Runs once the main window exists: skin, renderer, start state, drop target.
void MainWindowCreated(ProgramState& state, MainWindow& window);

// Releases the library object and frees the program-wide state.
void ExitCleanup(std::unique_ptr<ProgramState>& state);

// The whole program: start-up, the message loop, shutdown. Returns the
// loop's exit code.
int ProgramStart(int argc, char** argv);

}  // namespace vellumark
