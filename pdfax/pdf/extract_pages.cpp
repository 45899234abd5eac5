#include "pdf/extract_pages.h"

#include "base/atomic_file.h"
#include "base/failure.h"
#include "pdf/open_pdf.h"
#include "pdf/same_objects.h"

#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <sys/stat.h>

#include <cctype>
#include <set>

namespace pdfax {
namespace {

// A page number from 1 to `pageCount`, digits only.
std::optional<int> ParsePageNumber(const std::string& text, int pageCount) {
    std::size_t begin = text.find_first_not_of(' ');
    std::size_t end = text.find_last_not_of(' ');
    if (begin == std::string::npos)
        return std::nullopt;
    long value = 0;
    for (std::size_t i = begin; i <= end; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
        if (value > pageCount)
            return std::nullopt;
    }
    if (value < 1)
        return std::nullopt;
    return static_cast<int>(value);
}

// Copies the chosen pages of `source` into a new document, with their
// annotations and the form fields behind them: a widget whose field is
// missing from /AcroForm is dropped by viewers, and with it the seal that
// invoices keep in a signature field's appearance.
std::shared_ptr<QPDF> Selection(const PageSource& source, const std::vector<int>& pageNumbers) {
    auto target = NewQuietPdf();
    target->emptyPDF();
    QPDFAcroFormDocumentHelper& sourceForm = source.form();
    QPDFAcroFormDocumentHelper targetForm(*target);
    QPDFPageDocumentHelper targetPages(*target);
    for (int number : pageNumbers) {
        QPDFPageObjectHelper page = source.pages().at(static_cast<std::size_t>(number - 1));
        targetPages.addPage(page, false);
        if (sourceForm.hasAcroForm()) {
            QPDFObjectHandle copied = targetPages.getAllPages().back().getObjectHandle();
            targetForm.fixCopiedAnnotations(copied, page.getObjectHandle(), sourceForm);
        }
    }
    if (!sourceForm.hasAcroForm())
        return target;
    // Keep whether the viewer regenerates field appearances.
    QPDFObjectHandle from = source.pdf().getRoot().getKey("/AcroForm");
    QPDFObjectHandle to = target->getRoot().getKey("/AcroForm");
    if (from.isDictionary() && to.isDictionary() && from.hasKey("/NeedAppearances")) {
        to.replaceKey("/NeedAppearances", from.getKey("/NeedAppearances").shallowCopy());
    }
    return target;
}

void Configure(QPDFWriter& writer, const PageSource& source) {
    // Stream data is copied as it is: no decoding of whatever a hostile file
    // packs into its streams, and page content stays byte for byte.
    writer.setDecodeLevel(qpdf_dl_none);
    // A file protected by permissions keeps them in its pages.
    if (source.pdf().isEncrypted())
        writer.copyEncryptionParameters(source.pdf());
}

std::vector<int> PagesOrFail(const PageSource& source, const std::string& pageList) {
    const auto pages = ParsePageList(pageList, static_cast<int>(source.pages().size()));
    if (!pages)
        throw Failure(Problem::kFailed, source.path(), "no such pages: " + pageList);
    return *pages;
}

}  // namespace

std::optional<std::vector<int>> ParsePageList(const std::string& pageList, int pageCount) {
    std::vector<int> pages;
    std::set<int> seen;
    std::size_t start = 0;
    while (start <= pageList.size()) {
        std::size_t comma = pageList.find(',', start);
        if (comma == std::string::npos)
            comma = pageList.size();
        const std::string item = pageList.substr(start, comma - start);
        const std::size_t dash = item.find('-');
        std::optional<int> first = ParsePageNumber(item.substr(0, dash), pageCount);
        std::optional<int> last =
            dash == std::string::npos ? first : ParsePageNumber(item.substr(dash + 1), pageCount);
        if (!first || !last || *last < *first)
            return std::nullopt;
        for (int page = *first; page <= *last; ++page) {
            // A page can be copied into the new file only once.
            if (!seen.insert(page).second)
                return std::nullopt;
            pages.push_back(page);
        }
        start = comma + 1;
    }
    if (pages.empty())
        return std::nullopt;
    return pages;
}

void PageSource::Use(const std::string& path, const std::string& password) {
    struct stat st {};
    const bool known = stat(path.c_str(), &st) == 0;
    if (pdf_ && known && path == path_ && password == password_ && st.st_dev == device_ &&
        st.st_ino == inode_ && st.st_size == size_ && st.st_mtim.tv_sec == modified_.tv_sec &&
        st.st_mtim.tv_nsec == modified_.tv_nsec)
        return;
    Forget();
    auto pdf = OpenPdf(path, password);
    pages_ = QPDFPageDocumentHelper(*pdf).getAllPages();
    form_ = std::make_unique<QPDFAcroFormDocumentHelper>(*pdf);
    pdf_ = std::move(pdf);
    path_ = path;
    password_ = password;
    device_ = st.st_dev;
    inode_ = st.st_ino;
    size_ = st.st_size;
    modified_ = st.st_mtim;
}

void PageSource::Forget() {
    pages_.clear();
    form_.reset();
    pdf_.reset();
    path_.clear();
    password_.clear();
}

void ExtractPages(const PageSource& source, const std::string& output,
                  const std::string& pageList) {
    const std::vector<int> pages = PagesOrFail(source, pageList);
    if (PathExists(output))
        throw Failure(Problem::kNameTaken, output, "the name is taken");
    std::shared_ptr<QPDF> target = Selection(source, pages);
    CreateFileAtomically(
        output,
        [&](TempFile& file) {
            QPDFWriter writer(*target);
            writer.setOutputPipeline(file.AsPipeline());
            Configure(writer, source);
            writer.write();
        },
        [&](const std::string& tempPath) {
            return StrictPageCount(tempPath, source.password()) == pages.size();
        });
}

bool PageFileMatches(const PageSource& source, int page, const std::string& pageFile) {
    if (page < 1 || static_cast<std::size_t>(page) > source.pages().size())
        return false;
    // The page as a split writes it now, read back as the file would be.
    std::shared_ptr<QPDF> selection = Selection(source, {page});
    QPDFWriter writer(*selection);
    writer.setOutputMemory();
    Configure(writer, source);
    writer.write();
    auto buffer = writer.getBufferSharedPointer();
    auto expected = NewQuietPdf();
    expected->processMemoryFile("expected page", reinterpret_cast<char const*>(buffer->getBuffer()),
                                buffer->getSize(), source.password().c_str());

    std::shared_ptr<QPDF> candidate;
    try {
        candidate = OpenPdf(pageFile, source.password(), Recovery::kStrict);
    } catch (const Failure&) {
        return false;
    }
    const auto want = QPDFPageDocumentHelper(*expected).getAllPages();
    const auto have = QPDFPageDocumentHelper(*candidate).getAllPages();
    return want.size() == 1 && have.size() == 1 &&
           SameObjects(want[0].getObjectHandle(), have[0].getObjectHandle());
}

}  // namespace pdfax
