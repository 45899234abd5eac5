// What the batch program sets up before a command runs: a display-free Qt
// and the PDF library exactly as the window program activates it.
#pragma once

#include "core/program_state.h"
#include "intake/folder_lock.h"

#include <memory>
#include <string>
#include <vector>

namespace vellumark::cli {

// Renders without any display unless the caller chose a Qt platform: a
// terminal program has no window to show, and a forwarded or stale DISPLAY
// must not decide whether it runs.
void UseOffscreenPlatformUnlessChosen();

// The program-wide state with the library deployed into the program directory
// and its renderer created; null with `error` set when the library could not
// be activated.
std::unique_ptr<ProgramState> CreateBatchState(std::string& error);

// Locks the invoice folder and the program directory (whose image folder
// the merge fills) for this run, waiting as long as another run holds
// either; says so once on standard error while it waits.
FolderLocks WaitForFolders(const std::vector<std::string>& folders);

}  // namespace vellumark::cli
