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
        QPDFObjectHandle root = pdf->getRoot();
        if (!root.isDictionary())
            throw std::runtime_error("no document catalog");
        // Readers take the catalog's page tree as it stands. A /Parent on its
        // root (left by careless incremental updates) would make qpdf climb to
        // a node that holds none of the pages.
        QPDFObjectHandle tree = root.getKey("/Pages");
        if (tree.isDictionary() && tree.hasKey("/Parent"))
            tree.removeKey("/Parent");
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
