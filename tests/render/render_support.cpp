#include "render_support.h"

#include "pdf/open_pdf.h"
#include "render/render_page.h"
#include "test_support.h"

#include <qpdf/QPDFPageDocumentHelper.hh>

namespace vellumark::testing {

RenderOutcome RenderFilePage(const std::string& pdf, int page, int format, double dpi,
                             const std::string& output, int setRotate) {
    RenderOutcome outcome;
    std::shared_ptr<QPDF> opened;
    try {
        opened = pdfax::OpenPdf(pdf, "");
    } catch (const std::exception&) {
        return outcome;
    }
    outcome.opened = true;
    try {
        auto pages = QPDFPageDocumentHelper(*opened).getAllPages();
        if (page < 1 || page > static_cast<int>(pages.size()))
            return outcome;
        auto object = pages[page - 1].getObjectHandle();
        if (setRotate >= 0)
            object.replaceKey("/Rotate", QPDFObjectHandle::newInteger(setRotate));
        pdfax::RenderPageToFile(*opened, object, pdf, format, dpi, output);
        outcome.rendered = true;
    } catch (const std::exception&) {
        outcome.rendered = false;
    }
    return outcome;
}

PixelCounts CountPixels(const QImage& image, double x0, double y0, double x1, double y1) {
    PixelCounts counts;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    for (int y = int(y0 * rgb.height()); y < int(y1 * rgb.height()); ++y) {
        const uchar* row = rgb.constScanLine(y);
        for (int x = int(x0 * rgb.width()); x < int(x1 * rgb.width()); ++x) {
            const int r = row[3 * x], g = row[3 * x + 1], b = row[3 * x + 2];
            if (r > 170 && g < 110 && b < 110)
                ++counts.red;
            if (r < 90 && g < 90 && b < 90)
                ++counts.dark;
            if (r != 255 || g != 255 || b != 255)
                ++counts.nonWhite;
        }
    }
    return counts;
}

PngHeader ReadPngHeader(const std::string& bytes) {
    PngHeader header;
    if (bytes.size() < 33 || bytes.compare(12, 4, "IHDR") != 0)
        return header;
    auto be32 = [&](std::size_t at) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
        return int((unsigned(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]);
    };
    header.width = be32(16);
    header.height = be32(20);
    header.depth = static_cast<unsigned char>(bytes[24]);
    header.colorType = static_cast<unsigned char>(bytes[25]);
    return header;
}

QImage LoadImage(const std::string& path) {
    QImage image;
    const std::string bytes = ReadFile(path);
    image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), int(bytes.size()));
    return image;
}

}  // namespace vellumark::testing
