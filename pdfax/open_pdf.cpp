#include "open_pdf.h"

#include <qpdf/QPDFPageDocumentHelper.hh>

#include <sys/stat.h>

#include <exception>
#include <stdexcept>

namespace pdfax {

OpenedPdf OpenPdf(const std::string& path, const std::string& password) {
    OpenedPdf result;
    // Only regular files: a folder reads as an error at best, and a pipe or
    // a device such as /dev/zero would block or never end.
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        result.error = path + ": not a regular file";
        return result;
    }
    try {
        auto pdf = std::make_shared<QPDF>();
        pdf->setSuppressWarnings(true);
        pdf->setAttemptRecovery(true);
        pdf->processFile(path.c_str(), password.c_str());
        // A wrong or missing user password throws here, as does a file
        // beyond repair; touching the page tree proves the rest is usable.
        if (!pdf->getRoot().isDictionary())
            throw std::runtime_error("no document catalog");
        QPDFPageDocumentHelper(*pdf).getAllPages();
        result.pdf = std::move(pdf);
    } catch (const std::exception& e) {
        result.error = path + ": " + e.what();
    } catch (...) {
        result.error = path + ": unreadable";
    }
    return result;
}

}  // namespace pdfax
