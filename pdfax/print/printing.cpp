#include "print/printing.h"

namespace pdfax {
namespace {

std::string BaseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

Printing::Printing() : Printing(MakeSystemSpooler()) {}

Printing::Printing(std::unique_ptr<Spooler> spooler) : spooler_(std::move(spooler)) {}

Printing::~Printing() = default;

std::string Printing::NewCustomPrinter(const std::string& printerName) {
    if (printerName.empty())
        return {};
    std::string name = printerName + "#" + std::to_string(nextNumber_++);
    printers_[name].printer = printerName;
    return name;
}

int Printing::Setup(const std::string& customPrinter, int setting, int value) {
    auto found = printers_.find(customPrinter);
    if (found == printers_.end())
        return 0;
    return found->second.Apply(setting, value) ? 1 : 0;
}

int Printing::Print(const std::string& customPrinter, int firstPage, int lastPage,
                    const std::string& documentPath) {
    auto found = printers_.find(customPrinter);
    if (found == printers_.end() || !spooler_)
        return 0;
    // A descending range, or one before page 1, names no pages of any
    // document; guessing which were meant would print what nobody asked for.
    if (firstPage < 1 || lastPage < firstPage)
        return 0;

    PrintJob job;
    job.printer = found->second.printer;
    job.documentPath = documentPath;
    job.title = BaseName(documentPath);
    job.options = JobOptions(found->second, firstPage, lastPage);
    return spooler_->Submit(job) > 0 ? 1 : 0;
}

}  // namespace pdfax
