#include "open_pdf.h"

#include "failure.h"

#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <stdexcept>

namespace pdfax {
namespace {

// Readers look for the header in the first kilobyte.
constexpr std::size_t kHeaderWindow = 1024;

// Only regular files, with something in them that starts like a PDF: a
// folder reads as an error at best, and a pipe or a device such as /dev/zero
// would block or never end.
void CheckIsPdfFile(const std::string& path) {
    struct stat st {};
    if (path.empty())
        throw Failure(Problem::kMissing, path, "no file name");
    if (stat(path.c_str(), &st) != 0)
        FailWithErrno(path, "open");
    if (!S_ISREG(st.st_mode))
        throw Failure(Problem::kNotPdf, path, "not a regular file");
    if (st.st_size == 0)
        throw Failure(Problem::kEmpty, path, "zero bytes");
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int error = errno;
        throw Failure(error == EACCES ? Problem::kNoAccess : ProblemOfErrno(error), path, "open");
    }
    std::string head(kHeaderWindow, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    if (head.find("%PDF-") == std::string::npos)
        throw Failure(Problem::kNotPdf, path, "no PDF header");
}

}  // namespace

std::shared_ptr<QPDF> NewQuietPdf() {
    auto pdf = std::make_shared<QPDF>();
    pdf->setSuppressWarnings(true);
    return pdf;
}

std::shared_ptr<QPDF> OpenPdf(const std::string& path, const std::string& password,
                              Recovery recovery) {
    CheckIsPdfFile(path);
    try {
        auto pdf = NewQuietPdf();
        pdf->setAttemptRecovery(recovery == Recovery::kRepair);
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
        return pdf;
    } catch (const QPDFExc& e) {
        const Problem problem =
            e.getErrorCode() == qpdf_e_password ? Problem::kNeedsPassword : Problem::kDamaged;
        throw Failure(problem, path, e.what());
    } catch (const Failure&) {
        throw;
    } catch (const std::exception& e) {
        throw Failure(Problem::kDamaged, path, e.what());
    }
}

std::size_t StrictPageCount(const std::string& path, const std::string& password) {
    try {
        auto pdf = OpenPdf(path, password, Recovery::kStrict);
        return QPDFPageDocumentHelper(*pdf).getAllPages().size();
    } catch (...) {
        return 0;
    }
}

}  // namespace pdfax
