// The printers installed on this system, as the spooler lists them.
#pragma once

#include <string>
#include <vector>

namespace vellumark {

struct InstalledPrinters {
    std::vector<std::string> names;  // in the order the system lists them
    std::string defaultName;         // empty when there is no default printer
    // Why the spooler could not be asked (UTF-8 words); empty when it
    // answered, with or without printers.
    std::string problem;
};

InstalledPrinters ListInstalledPrinters();

// Index of the first name equal byte for byte to `defaultName`, or -1.
int DefaultPrinterIndex(const InstalledPrinters& printers);

}  // namespace vellumark
