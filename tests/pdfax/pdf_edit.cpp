#include "pdf_edit.h"

#include <qpdf/Buffer.hh>
#include <qpdf/Pl_Buffer.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstdio>

namespace vellumark::testing {

void EditPdf(const std::string& path, const std::function<void(QPDF&)>& edit) {
    const std::string temp = path + ".edit";
    {
        QPDF pdf;
        pdf.processFile(path.c_str());
        edit(pdf);
        QPDFWriter writer(pdf, temp.c_str());
        writer.write();
    }
    std::rename(temp.c_str(), path.c_str());
}

std::shared_ptr<QPDF> OpenWithQpdf(const std::string& path) {
    auto pdf = std::make_shared<QPDF>();
    pdf->processFile(path.c_str());
    return pdf;
}

std::vector<QPDFObjectHandle> PagesOf(QPDF& pdf) {
    std::vector<QPDFObjectHandle> pages;
    for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        pages.push_back(page.getObjectHandle());
    }
    return pages;
}

std::string PageContent(QPDFObjectHandle page) {
    Pl_Buffer buffer("content");
    QPDFPageObjectHelper(page).pipeContents(&buffer);
    std::unique_ptr<Buffer> data(buffer.getBuffer());
    return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
}

std::string StreamData(QPDFObjectHandle stream) {
    std::shared_ptr<Buffer> data = stream.getStreamData(qpdf_dl_generalized);
    return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
}

}  // namespace vellumark::testing
