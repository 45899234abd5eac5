#include "extract_pages.h"

#include "atomic_file.h"
#include "open_pdf.h"

#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cctype>
#include <optional>
#include <set>
#include <vector>

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

namespace {

// Copies the chosen pages of `source` into `target`, an empty document, with
// their annotations and the form fields behind them: a widget whose field is
// missing from /AcroForm is dropped by viewers, and with it the seal that
// invoices keep in a signature field's appearance.
void CopyPages(QPDF& source, const std::vector<int>& pageNumbers, QPDF& target) {
    QPDFPageDocumentHelper sourcePages(source);
    const std::vector<QPDFPageObjectHelper> pages = sourcePages.getAllPages();
    QPDFAcroFormDocumentHelper sourceForm(source);
    QPDFAcroFormDocumentHelper targetForm(target);
    QPDFPageDocumentHelper targetPages(target);
    for (int number : pageNumbers) {
        QPDFPageObjectHelper page = pages.at(static_cast<std::size_t>(number - 1));
        targetPages.addPage(page, false);
        if (sourceForm.hasAcroForm()) {
            QPDFObjectHandle copied = targetPages.getAllPages().back().getObjectHandle();
            targetForm.fixCopiedAnnotations(copied, page.getObjectHandle(), sourceForm);
        }
    }
    if (!sourceForm.hasAcroForm())
        return;
    // Keep whether the viewer regenerates field appearances.
    QPDFObjectHandle from = source.getRoot().getKey("/AcroForm");
    QPDFObjectHandle to = target.getRoot().getKey("/AcroForm");
    if (from.isDictionary() && to.isDictionary() && from.hasKey("/NeedAppearances")) {
        to.replaceKey("/NeedAppearances", from.getKey("/NeedAppearances").shallowCopy());
    }
}

std::size_t PageCountOf(const std::string& path, const std::string& password) {
    OpenedPdf reopened = OpenPdf(path, password);
    if (!reopened.pdf)
        return 0;
    return QPDFPageDocumentHelper(*reopened.pdf).getAllPages().size();
}

}  // namespace

bool ExtractPages(const std::string& input, const std::string& password, const std::string& output,
                  const std::string& pageList) {
    if (output.empty() || PathExists(output))
        return false;
    OpenedPdf opened = OpenPdf(input, password);
    if (!opened.pdf)
        return false;
    QPDF& source = *opened.pdf;
    const int pageCount = static_cast<int>(QPDFPageDocumentHelper(source).getAllPages().size());
    const std::optional<std::vector<int>> pages = ParsePageList(pageList, pageCount);
    if (!pages)
        return false;

    QPDF target;
    target.emptyPDF();
    CopyPages(source, *pages, target);

    return CreateFileAtomically(output, [&](const std::string& tempPath) {
        QPDFWriter writer(target, tempPath.c_str());
        // Stream data is copied as it is: no decoding of whatever a hostile
        // file packs into its streams, and page content stays byte for byte.
        writer.setDecodeLevel(qpdf_dl_none);
        // A file protected by permissions keeps them in its pages.
        if (source.isEncrypted())
            writer.copyEncryptionParameters(source);
        writer.write();
        // The file only counts as written when it reads back whole.
        return PageCountOf(tempPath, password) == pages->size();
    });
}

}  // namespace pdfax
