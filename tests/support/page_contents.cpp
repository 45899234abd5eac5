#include "page_contents.h"

#include "test_support.h"

#include <qpdf/Pl_Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <algorithm>
#include <memory>

namespace vellumark::testing {

std::vector<PageImprint> PageImprints(const std::string& path) {
    std::vector<PageImprint> imprints;
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(path.c_str(), "");
        for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
            PageImprint imprint;
            Pl_Buffer buffer("contents");
            try {
                page.pipeContents(&buffer);
                std::unique_ptr<Buffer> bytes(buffer.getBuffer());
                imprint.contents.assign(reinterpret_cast<const char*>(bytes->getBuffer()),
                                        bytes->getSize());
            } catch (const std::exception&) {
                imprint.contents = "<unreadable>";
            }
            imprint.mediaBox = page.getMediaBox().unparseResolved();
            imprints.push_back(imprint);
        }
    } catch (const std::exception&) {
        imprints.clear();
    }
    return imprints;
}

std::vector<PageImprint> PagesInFolder(const std::string& folder) {
    std::vector<PageImprint> pages;
    for (const auto& name : ListFolder(folder)) {
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".pdf") != 0)
            continue;
        for (auto& page : PageImprints(folder + "/" + name))
            pages.push_back(std::move(page));
    }
    std::sort(pages.begin(), pages.end());
    return pages;
}

}  // namespace vellumark::testing
