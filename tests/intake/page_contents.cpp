#include "page_contents.h"

#include <qpdf/Pl_Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

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

}  // namespace vellumark::testing
