// Printing the merged file from the terminal, as the print window's "打印"
// does, with the paper settings of the layout that made it.
#pragma once

#include "cli_arguments.h"
#include "program_state.h"

#include <string>

namespace vellumark::cli {

// Prints `mergedPdf` with the state's print orientation and paper length;
// returns the exit code and writes one line on success or failure.
int PrintMerged(ProgramState& state, const std::string& mergedPdf, const PrintRequest& request);

}  // namespace vellumark::cli
