#include "text/page_text.h"

#include "pdf/page_geometry.h"
#include "text/font_decoder.h"

#include <qpdf/QPDFPageObjectHelper.hh>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <numbers>

namespace pdfax {
namespace {

// a b c d e f, as the cm and Tm operators give them.
using Matrix = std::array<double, 6>;
constexpr Matrix kIdentity = {1, 0, 0, 1, 0, 0};
// Forms inside forms go no deeper than this; deeper nesting is a loop.
constexpr int kMaxFormDepth = 8;

// m first, then n.
Matrix Multiply(const Matrix& m, const Matrix& n) {
    return {m[0] * n[0] + m[1] * n[2],        m[0] * n[1] + m[1] * n[3],
            m[2] * n[0] + m[3] * n[2],        m[2] * n[1] + m[3] * n[3],
            m[4] * n[0] + m[5] * n[2] + n[4], m[4] * n[1] + m[5] * n[3] + n[5]};
}

PagePoint Apply(const Matrix& m, double x, double y) {
    return {m[0] * x + m[2] * y + m[4], m[1] * x + m[3] * y + m[5]};
}

struct TextState {
    const FontDecoder* font = nullptr;
    double size = 0, charSpacing = 0, wordSpacing = 0, scaling = 1, leading = 0, rise = 0;
};

struct GraphicsState {
    Matrix ctm = kIdentity;
    TextState text;
};

class TextReader : public QPDFObjectHandle::ParserCallbacks {
public:
    TextReader(const ViewerFrame& frame, std::vector<TextGlyph>& out, std::vector<PageArea>* images)
        : frame_(frame), out_(out), images_(images) {}

    void Read(QPDFObjectHandle content, QPDFObjectHandle resources, bool isForm) {
        resources_.push_back(resources);
        if (isForm)
            content.parseAsContents(this);
        else
            QPDFPageObjectHelper(content).parseContents(this);
        resources_.pop_back();
    }

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
    double Number(std::size_t i) {
        return i < operands_.size() && operands_[i].isNumber() ? operands_[i].getNumericValue() : 0;
    }
    Matrix SixNumbers() {
        return {Number(0), Number(1), Number(2), Number(3), Number(4), Number(5)};
    }

    void Operator(const std::string& op) {
        TextState& text = state_.text;
        if (op == "q") {
            stack_.push_back(state_);
        } else if (op == "Q") {
            if (!stack_.empty()) {
                state_ = stack_.back();
                stack_.pop_back();
            }
        } else if (op == "cm" && operands_.size() == 6) {
            state_.ctm = Multiply(SixNumbers(), state_.ctm);
        } else if (op == "BT") {
            line_ = matrix_ = kIdentity;
        } else if (op == "Tm" && operands_.size() == 6) {
            line_ = matrix_ = SixNumbers();
        } else if (op == "Td" || op == "TD") {
            if (op == "TD")
                text.leading = -Number(1);
            NextLine(Number(0), Number(1));
        } else if (op == "T*") {
            NextLine(0, -text.leading);
        } else if (op == "Tf" && operands_.size() == 2 && operands_[0].isName()) {
            text.font = Font(operands_[0].getName());
            text.size = Number(1);
        } else if (op == "Tc") {
            text.charSpacing = Number(0);
        } else if (op == "Tw") {
            text.wordSpacing = Number(0);
        } else if (op == "Tz") {
            text.scaling = Number(0) / 100;
        } else if (op == "TL") {
            text.leading = Number(0);
        } else if (op == "Ts") {
            text.rise = Number(0);
        } else {
            ShowOperator(op);
        }
    }

    void ShowOperator(const std::string& op) {
        if (op == "Tj" && !operands_.empty()) {
            Show(operands_[0]);
        } else if (op == "'" && !operands_.empty()) {
            NextLine(0, -state_.text.leading);
            Show(operands_[0]);
        } else if (op == "\"" && operands_.size() == 3) {
            state_.text.wordSpacing = Number(0);
            state_.text.charSpacing = Number(1);
            NextLine(0, -state_.text.leading);
            Show(operands_[2]);
        } else if (op == "TJ" && !operands_.empty() && operands_[0].isArray()) {
            for (QPDFObjectHandle item : operands_[0].getArrayAsVector()) {
                if (item.isNumber())
                    Advance(-item.getNumericValue() / 1000 * state_.text.size *
                            state_.text.scaling);
                else
                    Show(item);
            }
        } else if (op == "Do" && !operands_.empty() && operands_[0].isName()) {
            DrawForm(operands_[0].getName());
        }
    }

    void NextLine(double tx, double ty) {
        line_ = Multiply({1, 0, 0, 1, tx, ty}, line_);
        matrix_ = line_;
    }

    void Advance(double tx) { matrix_ = Multiply({1, 0, 0, 1, tx, 0}, matrix_); }

    void Show(QPDFObjectHandle string) {
        const TextState& text = state_.text;
        if (!string.isString() || !text.font)
            return;
        const bool vertical = text.font->Vertical();
        for (const ShownCode& code : text.font->Decode(string.getStringValue())) {
            const Matrix device = Multiply(matrix_, state_.ctm);
            double step = code.width / 1000 * text.size + text.charSpacing;
            if (code.wordSpace)
                step += text.wordSpacing;
            // Horizontal scaling widens lines, not columns.
            if (!vertical)
                step *= text.scaling;
            if (!code.text.empty())
                Emit(code.text, device, step, vertical);
            if (vertical)
                matrix_ = Multiply({1, 0, 0, 1, 0, -step}, matrix_);
            else
                Advance(step);
        }
    }

    // The glyph, advancing `step` along the line, or down the column.
    void Emit(const std::string& text, const Matrix& device, double step, bool vertical) {
        const double rise = state_.text.rise;
        const PagePoint origin = frame_.ToViewer(Apply(device, 0, rise));
        const PagePoint end =
            frame_.ToViewer(vertical ? Apply(device, 0, rise - step) : Apply(device, step, rise));
        // The way it goes, even for a glyph that does not advance.
        const PagePoint toward =
            frame_.ToViewer(vertical ? Apply(device, 0, rise - 1) : Apply(device, 1, rise));
        double angle =
            std::atan2(toward.y - origin.y, toward.x - origin.x) * 180 / std::numbers::pi;
        if (angle < 0)
            angle += 360;
        const double size = state_.text.size * std::hypot(device[2], device[3]);
        out_.push_back({text, origin.x, origin.y, std::hypot(end.x - origin.x, end.y - origin.y),
                        std::fabs(size), angle});
    }

    // An image fills the unit square of the current matrix.
    void NoteImage() {
        if (!images_)
            return;
        double left = 1e300, top = 1e300, right = -1e300, bottom = -1e300;
        for (const auto& [x, y] : {std::pair{0.0, 0.0}, {1.0, 0.0}, {0.0, 1.0}, {1.0, 1.0}}) {
            const PagePoint p = frame_.ToViewer(Apply(state_.ctm, x, y));
            left = std::min(left, p.x), right = std::max(right, p.x);
            top = std::min(top, p.y), bottom = std::max(bottom, p.y);
        }
        images_->push_back({left, top, right - left, bottom - top});
    }

    const FontDecoder* Font(const std::string& name) {
        QPDFObjectHandle font = resources_.back().isDictionary()
                                    ? resources_.back().getKey("/Font").getKey(name)
                                    : QPDFObjectHandle();
        if (!font.isDictionary())
            return nullptr;
        // A font written directly into the resources has no number to know it
        // by again; its decoder stays as long as the ones kept by number.
        if (!font.isIndirect())
            return direct_.emplace_back(std::make_unique<FontDecoder>(font)).get();
        auto& decoder = fonts_[font.getObjGen()];
        if (!decoder)
            decoder = std::make_unique<FontDecoder>(font);
        return decoder.get();
    }

    void DrawForm(const std::string& name) {
        if (!resources_.back().isDictionary() || resources_.size() > kMaxFormDepth)
            return;
        QPDFObjectHandle form = resources_.back().getKey("/XObject").getKey(name);
        if (form.isStream() && form.getDict().getKey("/Subtype").isNameAndEquals("/Image"))
            NoteImage();
        if (!form.isStream() || !form.getDict().getKey("/Subtype").isNameAndEquals("/Form"))
            return;
        const GraphicsState saved = state_;
        const Matrix savedLine = line_, savedMatrix = matrix_;
        auto operands = std::move(operands_);
        QPDFObjectHandle matrix = form.getDict().getKey("/Matrix");
        if (matrix.isArray() && matrix.getArrayNItems() == 6) {
            Matrix m{};
            for (int i = 0; i < 6; ++i)
                m[i] = matrix.getArrayItem(i).isNumber() ? matrix.getArrayItem(i).getNumericValue()
                                                         : kIdentity[i];
            state_.ctm = Multiply(m, state_.ctm);
        }
        QPDFObjectHandle resources = form.getDict().getKey("/Resources");
        Read(form, resources.isDictionary() ? resources : resources_.back(), true);
        state_ = saved;
        line_ = savedLine;
        matrix_ = savedMatrix;
        operands_ = std::move(operands);
    }

    const ViewerFrame& frame_;
    std::vector<TextGlyph>& out_;
    std::vector<PageArea>* images_;
    std::vector<QPDFObjectHandle> resources_;
    std::vector<QPDFObjectHandle> operands_;
    GraphicsState state_;
    std::vector<GraphicsState> stack_;
    Matrix line_ = kIdentity, matrix_ = kIdentity;
    std::map<QPDFObjGen, std::unique_ptr<FontDecoder>> fonts_;
    std::vector<std::unique_ptr<FontDecoder>> direct_;
};

}  // namespace

std::vector<TextGlyph> ReadPageText(QPDFObjectHandle page, std::vector<PageArea>* images) {
    std::vector<TextGlyph> glyphs;
    const ViewerFrame frame = ViewerFrameOf(page);
    TextReader reader(frame, glyphs, images);
    reader.Read(page, QPDFPageObjectHelper(page).getAttribute("/Resources", false), false);
    return glyphs;
}

}  // namespace pdfax
