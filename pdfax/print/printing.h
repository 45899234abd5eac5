// Custom printers and print jobs.
#pragma once

#include "print/print_settings.h"
#include "print/spooler.h"

#include <map>
#include <memory>
#include <string>

namespace pdfax {

class Printing {
public:
    Printing();
    // For tests: jobs go to `spooler` instead of the system's.
    explicit Printing(std::unique_ptr<Spooler> spooler);
    ~Printing();

    // A new configuration bound to `printerName`; its name is the printer's
    // name, "#" and a number. Empty when the printer name is empty.
    std::string NewCustomPrinter(const std::string& printerName);
    // 1 when the custom printer exists and the value is in the setting's
    // range, else 0 (and the setting stays as it was).
    int Setup(const std::string& customPrinter, int setting, int value);
    // Prints pages first..last of the PDF file `documentPath`; returns 1 when
    // the spooler took the job, 0 (sending nothing) for a range that is
    // descending or starts before page 1.
    int Print(const std::string& customPrinter, int firstPage, int lastPage,
              const std::string& documentPath);

private:
    std::unique_ptr<Spooler> spooler_;
    std::map<std::string, CustomPrinter> printers_;
    int nextNumber_ = 1;
};

}  // namespace pdfax
