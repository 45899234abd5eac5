// The print spooler behind PrintDocument, kept small so that another
// platform's spooler can stand in for CUPS.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace pdfax {

// One document for one printer, with the job options the spooler understands
// (IPP attribute names and values in their text form, e.g. "copies" "3").
struct PrintJob {
    std::string printer;
    std::string documentPath;  // a PDF file; platform bytes
    std::string title;
    std::vector<std::pair<std::string, std::string>> options;
};

class Spooler {
public:
    virtual ~Spooler() = default;
    // Queues the job; returns the spooler's job id, or 0 (or throws a
    // Failure with the spooler's reason) when it was not taken.
    virtual int Submit(const PrintJob& job) = 0;
};

// The spooler of this system.
std::unique_ptr<Spooler> MakeSystemSpooler();

}  // namespace pdfax
