// Text objects: each character placed where the OFD puts it, so that the
// layout never depends on the widths of the face the renderer picks.
#include <QString>

#include <algorithm>

#include "content_writer.h"
#include "geometry.h"

namespace ofd {
namespace {

// DeltaX / DeltaY: numbers, with "g N d" standing for N times d. Only the
// `limit` gaps the text has are expanded, whatever N claims.
std::vector<double> Deltas(const std::string& text, std::size_t limit) {
    std::vector<double> out;
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find_first_of(" \t\r\n", start), text.size());
        if (end > start)
            items.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    for (std::size_t i = 0; i < items.size() && out.size() < limit; ++i) {
        if (items[i] == "g" && i + 2 < items.size()) {
            const double count = ParseNumber(items[i + 1], 0);
            const double value = ParseNumber(items[i + 2], 0);
            for (double k = 0; k < count && out.size() < limit; ++k)
                out.push_back(value);
            i += 2;
        } else {
            out.push_back(ParseNumber(items[i], 0));
        }
    }
    return out;
}

}  // namespace

void ContentWriter::TextObject(const XmlNode& object, const Style& style) {
    const double size = ParseNumber(object.Attr("Size"), 0);
    if (!(size > 0) || !Begin(object))
        return;
    const bool fill = object.Attr("Fill") != "false", stroke = object.Attr("Stroke") == "true";
    const bool bold = ParseNumber(object.Attr("Weight"), 400) >= 700;
    const double hscale = ParseNumber(object.Attr("HScale"), 1);
    const int fillAlpha = fill ? SetColor(style.fill, false) : 255;
    int strokeAlpha = 255;
    if (stroke || bold) {
        // Bold without a bold face: the outline stroked in the fill colour.
        strokeAlpha = SetColor(stroke ? style.stroke : style.fill, true);
        AppendNumber(out_, stroke ? style.lineWidth.value_or(0.353) : size * 0.03);
        out_ += "w\n";
    }
    Alpha(object, fillAlpha, strokeAlpha);
    const std::string& font = object.Attr("Font");
    out_ += "BT\n" + pdf_.fonts().Name(font) + " 1 Tf\n";
    out_ += (fill && (stroke || bold)) ? "2 Tr\n" : fill ? "0 Tr\n" : stroke ? "1 Tr\n" : "3 Tr\n";
    double x = 0, y = 0;
    for (const XmlNode& code : object.children) {
        if (code.name != "TextCode")
            continue;
        x = ParseNumber(code.Attr("X"), x);
        y = ParseNumber(code.Attr("Y"), y);
        const std::u32string chars = QString::fromStdString(code.text).toStdU32String();
        const std::size_t gaps = chars.empty() ? 0 : chars.size() - 1;
        const std::vector<double> dx = Deltas(code.Attr("DeltaX"), gaps);
        const std::vector<double> dy = Deltas(code.Attr("DeltaY"), gaps);
        for (std::size_t i = 0; i < chars.size(); ++i) {
            AppendNumber(out_, size * hscale);
            out_ += "0 0 ";
            AppendNumber(out_, -size);
            AppendNumber(out_, x);
            AppendNumber(out_, y);
            out_ += "Tm ";
            pdf_.fonts().AppendCode(out_, font, chars[i]);
            out_ += " Tj\n";
            // Without deltas a character advances by its own width, known
            // here only as full width for ideographs and half for others.
            x += i < dx.size() ? dx[i] : (chars[i] >= 0x2E80 ? size : size / 2) * hscale;
            y += i < dy.size() ? dy[i] : 0;
        }
    }
    out_ += "ET\nQ\n";
}

}  // namespace ofd
