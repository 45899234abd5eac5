#include "drawn_pages.h"

#include <qpdf/Buffer.hh>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <algorithm>
#include <array>
#include <cmath>

namespace vellumark::testing {
namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;

// a b c d e f, as in the PDF's cm operator.
using Matrix = std::array<double, 6>;
constexpr Matrix kIdentity = {1, 0, 0, 1, 0, 0};

// m applied first, then n.
Matrix Multiply(const Matrix& m, const Matrix& n) {
    return {m[0] * n[0] + m[1] * n[2],        m[0] * n[1] + m[1] * n[3],
            m[2] * n[0] + m[3] * n[2],        m[2] * n[1] + m[3] * n[3],
            m[4] * n[0] + m[5] * n[2] + n[4], m[4] * n[1] + m[5] * n[3] + n[5]};
}

struct Point {
    double x, y;
};

Point Apply(const Matrix& m, double x, double y) {
    return {m[0] * x + m[2] * y + m[4], m[1] * x + m[3] * y + m[5]};
}

class PageReader : public QPDFObjectHandle::ParserCallbacks {
public:
    PageReader(QPDFPageObjectHelper page, DrawnPage& out, double left, double top)
        : page_(page), out_(out), left_(left), top_(top) {}

    void handleObject(QPDFObjectHandle object) override {
        if (!object.isOperator()) {
            operands_.push_back(object);
            return;
        }
        Operator(object.getOperatorValue());
        operands_.clear();
    }
    void handleEOF() override {}

private:
    double Number(size_t i) {
        return i < operands_.size() && operands_[i].isNumber() ? operands_[i].getNumericValue() : 0;
    }
    Point ToMm(Point p) const {
        return {(p.x - left_) / kPointsPerMm, (top_ - p.y) / kPointsPerMm};
    }

    void Operator(const std::string& op) {
        if (op == "q") {
            stack_.push_back(ctm_);
        } else if (op == "Q") {
            if (!stack_.empty()) {
                ctm_ = stack_.back();
                stack_.pop_back();
            }
        } else if (op == "cm" && operands_.size() == 6) {
            Matrix m;
            for (size_t i = 0; i < 6; ++i)
                m[i] = Number(i);
            ctm_ = Multiply(m, ctm_);
        } else if (op == "RG") {
            stroke_ = {Number(0), Number(1), Number(2)};
        } else if (op == "G") {
            stroke_ = {Number(0), Number(0), Number(0)};
        } else if (op == "m") {
            current_ = ToMm(Apply(ctm_, Number(0), Number(1)));
        } else if (op == "l") {
            const Point to = ToMm(Apply(ctm_, Number(0), Number(1)));
            out_.lines.push_back(
                {current_.x, current_.y, to.x, to.y, stroke_[0], stroke_[1], stroke_[2]});
            current_ = to;
        } else if (op == "Do" && !operands_.empty() && operands_[0].isName()) {
            DrawImage(operands_[0].getName());
        }
    }

    void DrawImage(const std::string& name) {
        QPDFObjectHandle resources = page_.getAttribute("/Resources", false);
        if (!resources.isDictionary())
            return;
        QPDFObjectHandle xobject = resources.getKey("/XObject").getKey(name);
        DrawnImage image;
        if (xobject.isStream()) {
            QPDFObjectHandle dict = xobject.getDict();
            image.pixelWidth =
                dict.getKey("/Width").isInteger() ? dict.getKey("/Width").getIntValueAsInt() : 0;
            image.pixelHeight =
                dict.getKey("/Height").isInteger() ? dict.getKey("/Height").getIntValueAsInt() : 0;
            QPDFObjectHandle filter = dict.getKey("/Filter");
            if (filter.isName())
                image.filter = filter.getName();
            if (filter.isArray() && filter.getArrayNItems() > 0)
                image.filter = filter.getArrayItem(0).getName();
            if (QPDFObjectHandle parms = dict.getKey("/DecodeParms"); !parms.isNull())
                image.decodeParms = parms.unparse();
            const auto raw = xobject.getRawStreamData();
            image.rawData.assign(reinterpret_cast<const char*>(raw->getBuffer()), raw->getSize());
            image.objectId = xobject.getObjectID();
        }
        const Point a = ToMm(Apply(ctm_, 0, 0));
        const Point b = ToMm(Apply(ctm_, 1, 1));
        image.left = std::min(a.x, b.x);
        image.top = std::min(a.y, b.y);
        image.width = std::abs(b.x - a.x);
        image.height = std::abs(b.y - a.y);
        out_.images.push_back(image);
    }

    QPDFPageObjectHelper page_;
    DrawnPage& out_;
    double left_, top_;
    std::vector<QPDFObjectHandle> operands_;
    Matrix ctm_ = kIdentity;
    std::vector<Matrix> stack_;
    std::array<double, 3> stroke_ = {0, 0, 0};
    Point current_ = {0, 0};
};

}  // namespace

std::vector<DrawnPage> ReadDrawnPages(const std::string& path) {
    std::vector<DrawnPage> pages;
    QPDF pdf;
    pdf.processFile(path.c_str());
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        QPDFObjectHandle box = page.getMediaBox();
        const QPDFObjectHandle::Rectangle r = box.getArrayAsRectangle();
        DrawnPage drawn;
        drawn.widthMm = (r.urx - r.llx) / kPointsPerMm;
        drawn.heightMm = (r.ury - r.lly) / kPointsPerMm;
        PageReader reader(page, drawn, r.llx, r.ury);
        page.parseContents(&reader);
        pages.push_back(std::move(drawn));
    }
    return pages;
}

std::string ImageSamples(const std::string& path, int objectId) {
    QPDF pdf;
    pdf.processFile(path.c_str());
    const auto data = pdf.getObjectByID(objectId, 0).getStreamData(qpdf_dl_generalized);
    return {reinterpret_cast<const char*>(data->getBuffer()), data->getSize()};
}

}  // namespace vellumark::testing
