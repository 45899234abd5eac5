#include "pdf/open_pdf.h"

#include "base/failure.h"

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
// Files up to this size are read whole and parsed from memory: qpdf reads a
// file object by object, with a seek and a read for each, thousands of
// system calls for one invoice. Larger files are read from disk as needed.
constexpr off_t kReadWholeUpTo = 64 * 1024 * 1024;

// Checks that `path` is a regular file that starts like a PDF (a folder reads
// as an error at best, and a pipe or a device such as /dev/zero would block
// or never end) and returns its bytes when it is small enough to be read at
// once, otherwise nothing.
std::string ReadPdfFile(const std::string& path) {
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
    const bool whole = st.st_size <= kReadWholeUpTo;
    std::string bytes(whole ? static_cast<std::size_t>(st.st_size) : kHeaderWindow, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.bad())
        throw Failure(Problem::kIoError, path, "read");
    // A file that shrank since stat is read as far as it goes.
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (bytes.find("%PDF-") >= kHeaderWindow)  // npos too
        throw Failure(Problem::kNotPdf, path, "no PDF header");
    return whole ? bytes : std::string();
}

// A document parsed from bytes in memory keeps them for as long as it lives.
struct PdfInMemory {
    std::string bytes;
    QPDF pdf;
};

// `path` parsed, from `bytes` when it was read whole.
std::shared_ptr<QPDF> Parse(const std::string& path, std::string bytes, const std::string& password,
                            Recovery recovery) {
    if (bytes.empty()) {
        auto pdf = std::make_shared<QPDF>();
        pdf->setSuppressWarnings(true);
        pdf->setAttemptRecovery(recovery == Recovery::kRepair);
        pdf->processFile(path.c_str(), password.c_str());
        return pdf;
    }
    auto held = std::make_shared<PdfInMemory>();
    held->bytes = std::move(bytes);
    held->pdf.setSuppressWarnings(true);
    held->pdf.setAttemptRecovery(recovery == Recovery::kRepair);
    held->pdf.processMemoryFile(path.c_str(), held->bytes.data(), held->bytes.size(),
                                password.c_str());
    return std::shared_ptr<QPDF>(held, &held->pdf);
}

}  // namespace

std::shared_ptr<QPDF> NewQuietPdf() {
    auto pdf = std::make_shared<QPDF>();
    pdf->setSuppressWarnings(true);
    return pdf;
}

namespace {

// `bytes` parsed (read from `path` when empty) with its page tree proved
// usable, or a Failure saying why not.
std::shared_ptr<QPDF> ParseChecked(const std::string& path, std::string bytes,
                                   const std::string& password, Recovery recovery) {
    try {
        auto pdf = Parse(path, std::move(bytes), password, recovery);
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

}  // namespace

std::shared_ptr<QPDF> OpenPdf(const std::string& path, const std::string& password,
                              Recovery recovery) {
    return ParseChecked(path, ReadPdfFile(path), password, recovery);
}

std::shared_ptr<QPDF> OpenPdfBytes(const std::string& name, std::string bytes) {
    if (bytes.empty())
        throw Failure(Problem::kEmpty, name, "no bytes");
    return ParseChecked(name, std::move(bytes), "", Recovery::kStrict);
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
