#include "printing.h"

namespace pdfax {

std::string Printing::NewCustomPrinter(const std::string&) { return {}; }
int Printing::Setup(const std::string&, int, int) { return 0; }
int Printing::Print(const std::string&, int, int, int, const std::string&) { return 0; }

}  // namespace pdfax
