#include "compose_readback.h"

#include <qpdf/Buffer.hh>
#include <qpdf/Pl_Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <array>
#include <cstring>
#include <sstream>

namespace vellumark::testing {
namespace {

constexpr double kPtPerMm = 72.0 / 25.4;

using Matrix = std::array<double, 6>;

Matrix Multiply(const Matrix& m, const Matrix& n) {  // m then n
    return {m[0] * n[0] + m[1] * n[2],        m[0] * n[1] + m[1] * n[3],
            m[2] * n[0] + m[3] * n[2],        m[2] * n[1] + m[3] * n[3],
            m[4] * n[0] + m[5] * n[2] + n[4], m[4] * n[1] + m[5] * n[3] + n[5]};
}

std::string PageContents(QPDFPageObjectHelper& page) {
    Pl_Buffer buffer("contents");
    page.pipeContents(&buffer);
    auto data = buffer.getBufferSharedPointer();
    return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
}

}  // namespace

std::vector<ComposedPage> ReadComposedPdf(const std::string& path) {
    QPDF pdf;
    pdf.processFile(path.c_str());
    std::vector<ComposedPage> result;
    for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        const auto box = page.getMediaBox().getArrayAsRectangle();
        const double pageHeight = box.ury - box.lly;
        ComposedPage out;
        out.widthMm = (box.urx - box.llx) / kPtPerMm;
        out.heightMm = pageHeight / kPtPerMm;
        auto toMmX = [&](double x) { return (x - box.llx) / kPtPerMm; };
        auto toMmY = [&](double y) { return (box.ury - y) / kPtPerMm; };
        auto xobjects = page.getAttribute("/Resources", false).getKey("/XObject");

        std::vector<Matrix> stack;
        Matrix ctm{1, 0, 0, 1, 0, 0};
        std::array<double, 3> stroke{0, 0, 0};
        std::vector<double> numbers;
        std::string lastName;
        double startX = 0, startY = 0, endX = 0, endY = 0;
        std::istringstream tokens(PageContents(page));
        std::string token;
        while (tokens >> token) {
            char* end = nullptr;
            const double value = std::strtod(token.c_str(), &end);
            if (end && *end == '\0' && !token.empty()) {
                numbers.push_back(value);
                continue;
            }
            const auto n = numbers.size();
            if (token == "q") {
                stack.push_back(ctm);
            } else if (token == "Q" && !stack.empty()) {
                ctm = stack.back();
                stack.pop_back();
            } else if (token == "cm" && n >= 6) {
                Matrix m;
                for (int i = 0; i < 6; ++i)
                    m[i] = numbers[n - 6 + i];
                ctm = Multiply(m, ctm);
            } else if (token == "RG" && n >= 3) {
                stroke = {numbers[n - 3], numbers[n - 2], numbers[n - 1]};
            } else if (token == "m" && n >= 2) {
                startX = numbers[n - 2];
                startY = numbers[n - 1];
            } else if (token == "l" && n >= 2) {
                endX = numbers[n - 2];
                endY = numbers[n - 1];
            } else if (token == "S") {
                out.lines.push_back({toMmX(startX), toMmY(startY), toMmX(endX), toMmY(endY),
                                     stroke[0], stroke[1], stroke[2]});
            } else if (token[0] == '/') {
                lastName = token;
            } else if (token == "Do") {
                Placement p;
                p.name = lastName;
                p.left = toMmX(ctm[4]);
                p.width = ctm[0] / kPtPerMm;
                p.height = ctm[3] / kPtPerMm;
                p.top = toMmY(ctm[5] + ctm[3]);
                auto image = xobjects.getKey(lastName);
                if (image.isStream()) {
                    auto raw = image.getRawStreamData();
                    p.rawData.assign(reinterpret_cast<const char*>(raw->getBuffer()),
                                     raw->getSize());
                    p.filter = image.getDict().getKey("/Filter").unparse();
                    auto parms = image.getDict().getKey("/DecodeParms");
                    if (!parms.isNull())
                        p.decodeParms = parms.unparse();
                    p.objectId = image.getObjectID();
                }
                out.images.push_back(p);
            }
            numbers.clear();
        }
        result.push_back(out);
    }
    return result;
}

std::string PngIdat(const std::string& png) {
    std::string idat;
    std::size_t pos = 8;
    while (pos + 12 <= png.size()) {
        const auto* p = reinterpret_cast<const unsigned char*>(png.data() + pos);
        const std::size_t length = (std::size_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
        if (std::memcmp(p + 4, "IDAT", 4) == 0)
            idat.append(png, pos + 8, length);
        pos += 12 + length;
    }
    return idat;
}

}  // namespace vellumark::testing
