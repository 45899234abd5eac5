#include "open_pdf.h"

#include <exception>

namespace pdfax {

OpenedPdf OpenPdf(const std::string& path, const std::string& password) {
    OpenedPdf result;
    try {
        auto pdf = std::make_shared<QPDF>();
        pdf->setSuppressWarnings(true);
        pdf->setAttemptRecovery(true);
        pdf->processFile(path.c_str(), password.c_str());
        // A wrong or missing user password throws here, as does a file
        // beyond repair; touching the page tree proves the rest is usable.
        pdf->getRoot();
        pdf->getAllPages();
        result.pdf = std::move(pdf);
    } catch (const std::exception& e) {
        result.error = path + ": " + e.what();
    } catch (...) {
        result.error = path + ": unreadable";
    }
    return result;
}

}  // namespace pdfax
