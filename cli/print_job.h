// Printing the merged file from the terminal, as the print window's "打印"
// does, with the paper settings of the layout that made it.
#pragma once

#include "cli_arguments.h"
#include "core/program_state.h"

#include <string>

namespace vellumark::cli {

// An empty text when `printer` is an installed printer; else the line to show.
std::string PrinterProblem(const std::string& printer);

// Prints `mergedPdf` with the state's print orientation and paper length,
// every page unless the choice names a range. Writes one line either way and
// returns the exit code.
int PrintMerged(ProgramState& state, const std::string& mergedPdf, const PrintChoice& choice);

}  // namespace vellumark::cli
