// Opening PDF files with qpdf, quietly, with the reason when it fails.
#pragma once

#include <qpdf/QPDF.hh>

#include <memory>
#include <string>

namespace pdfax {

enum class Recovery {
    kRepair,  // what the user gives us: damage qpdf can mend is mended
    kStrict,  // what we just wrote: any damage is a failed write
};

// Opens `path` (platform bytes) and proves its page tree usable. Throws a
// Failure saying why not: missing, no access, empty, not a PDF, needs a
// password (the given one does not open it), or damaged.
std::shared_ptr<QPDF> OpenPdf(const std::string& path, const std::string& password,
                              Recovery recovery = Recovery::kRepair);

// The PDF in `bytes`, made by the program itself (an OFD page turned into a
// PDF), opened strictly; `name` is the file it came from, for failures.
std::shared_ptr<QPDF> OpenPdfBytes(const std::string& name, std::string bytes);

// The number of pages of `path`, opened strictly; 0 when it does not open.
std::size_t StrictPageCount(const std::string& path, const std::string& password);

// An empty document for writing, as quiet as the ones read: qpdf's warnings
// never reach the terminal.
std::shared_ptr<QPDF> NewQuietPdf();

}  // namespace pdfax
