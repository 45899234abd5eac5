// Opening PDF files with qpdf, with repair and without ever throwing.
#pragma once

#include <qpdf/QPDF.hh>

#include <memory>
#include <string>

namespace pdfax {

struct OpenedPdf {
    std::shared_ptr<QPDF> pdf;  // null on failure
    std::string error;          // what went wrong, with the file's name
};

// Opens `path` (platform bytes). Files that qpdf can repair open; missing,
// foreign, hopeless and password-protected files (the password does not
// match) give a null pdf and an error text. Warnings are not printed.
OpenedPdf OpenPdf(const std::string& path, const std::string& password);

}  // namespace pdfax
