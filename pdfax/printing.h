// Custom printers and print jobs.
#pragma once

#include <string>

namespace pdfax {

class Printing {
public:
    std::string NewCustomPrinter(const std::string& printerName);
    int Setup(const std::string& customPrinter, int setting, int value);
    void SetRenderFlags(int flags) { renderFlags_ = flags; }
    // Prints pages first..last of the PDF file `documentPath`.
    int Print(const std::string& customPrinter, int firstPage, int lastPage, int options,
              const std::string& documentPath);

private:
    int renderFlags_ = 0;
};

}  // namespace pdfax
