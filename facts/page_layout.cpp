#include "page_layout.h"

#include <QString>

#include <algorithm>
#include <cmath>

namespace vellumark {
namespace {

// Characters whose baselines differ by less than this share a line (in
// font sizes): enough for a value set a little off its label's baseline,
// too little for the next line.
constexpr double kSameLine = 0.35;

bool SameSpot(const PlacedChar& a, const PlacedChar& b) {
    const double near = 0.3 * std::max(a.size, b.size);
    return a.c == b.c && std::fabs(a.x - b.x) < near && std::fabs(a.y - b.y) < near;
}

std::vector<PlacedChar> Chars(const std::vector<pdfax::TextGlyph>& glyphs) {
    std::vector<PlacedChar> chars;
    for (const auto& glyph : glyphs) {
        const std::u32string text = Utf32(glyph.text);
        for (std::size_t i = 0; i < text.size(); ++i) {
            const double share = glyph.advance / static_cast<double>(text.size());
            const PlacedChar c{text[i], glyph.x + share * static_cast<double>(i), glyph.y, share,
                               glyph.size > 0 ? glyph.size : 1};
            chars.push_back(c);
        }
    }
    return chars;
}

bool IsColon(char32_t c) {
    return c == U':' || c == U'：';
}

}  // namespace

bool IsBlank(char32_t c) {
    return c == U' ' || c == U'\u00A0' || c == U'\u3000' || c == U'\t';
}

std::string Utf8(const std::u32string& text) {
    return QString::fromStdU32String(text).toStdString();
}

std::u32string Utf32(const std::string& text) {
    return QString::fromStdString(text).toStdU32String();
}

PageLayout::PageLayout(const std::vector<pdfax::TextGlyph>& glyphs) {
    std::vector<PlacedChar> chars = Chars(glyphs);
    std::stable_sort(chars.begin(), chars.end(),
                     [](const PlacedChar& a, const PlacedChar& b) { return a.y < b.y; });
    for (const PlacedChar& c : chars) {
        if (lines_.empty() || c.y - lines_.back().front().y >
                                  kSameLine * std::max(c.size, lines_.back().front().size))
            lines_.emplace_back();
        lines_.back().push_back(c);
    }
    for (auto& line : lines_) {
        std::stable_sort(line.begin(), line.end(),
                         [](const PlacedChar& a, const PlacedChar& b) { return a.x < b.x; });
        // A character drawn again on its own spot (an imitation of bold
        // type, or a page drawn twice) is read once.
        std::vector<PlacedChar> kept;
        for (const PlacedChar& c : line) {
            bool again = false;
            for (auto k = kept.rbegin(); k != kept.rend() && c.x - k->x < 0.3 * c.size; ++k)
                again = again || SameSpot(*k, c);
            if (!again)
                kept.push_back(c);
        }
        line = std::move(kept);
    }
}

std::vector<LabelPlace> PageLayout::Find(const std::u32string& label) const {
    std::vector<LabelPlace> places;
    for (std::size_t l = 0; l < lines_.size(); ++l) {
        const auto& line = lines_[l];
        for (std::size_t start = 0; start < line.size(); ++start) {
            std::size_t i = start, k = 0;
            while (i < line.size() && k < label.size()) {
                if (line[i].c == label[k]) {
                    ++k;
                } else if (!(IsBlank(line[i].c) && k > 0)) {
                    break;
                }
                ++i;
            }
            if (k == label.size()) {
                std::size_t next = i;
                while (next < line.size() && IsBlank(line[next].c))
                    ++next;
                places.push_back({static_cast<int>(l), start, i, line[start].x,
                                  line[start].y - line[start].size, line[start].y, line[start].size,
                                  next < line.size() && IsColon(line[next].c)});
            }
        }
    }
    return places;
}

std::vector<LabelPlace> PageLayout::FindDownwards(const std::u32string& label) const {
    std::vector<LabelPlace> places;
    if (label.empty())
        return places;
    for (const auto& line : lines_) {
        for (const PlacedChar& first : line) {
            if (first.c != label[0])
                continue;
            const PlacedChar* last = &first;
            for (std::size_t k = 1; last && k < label.size(); ++k) {
                const PlacedChar* below = nullptr;
                for (const auto& other : lines_) {
                    for (const PlacedChar& c : other) {
                        const double dy = c.y - last->y;
                        if (c.c == label[k] && std::fabs(c.x - first.x) < 0.5 * first.size &&
                            dy > 0.5 * first.size && dy < 2.5 * first.size)
                            below = &c;
                    }
                }
                last = below;
            }
            if (last)
                places.push_back(
                    {-1, 0, 0, first.x, first.y - first.size, last->y, first.size, false});
        }
    }
    return places;
}

std::u32string PageLayout::After(const LabelPlace& place, double gapInSizes) const {
    std::u32string text;
    if (place.line < 0 || static_cast<std::size_t>(place.line) >= lines_.size())
        return text;
    const auto& line = lines_[static_cast<std::size_t>(place.line)];
    std::size_t i = place.after;
    while (i < line.size() && (IsColon(line[i].c) || IsBlank(line[i].c)))
        ++i;
    // The value starts near its label, or it belongs to something else.
    for (std::size_t k = i; k < line.size(); ++k) {
        const PlacedChar& before = line[k - 1];
        if (line[k].x - (before.x + before.advance) > gapInSizes * before.size)
            break;
        text += line[k].c;
    }
    return text;
}

char32_t PageLayout::Before(const LabelPlace& place) const {
    if (place.line < 0 || place.start == 0)
        return 0;
    return lines_[static_cast<std::size_t>(place.line)][place.start - 1].c;
}

std::u32string PageLayout::AllLines() const {
    std::u32string text;
    for (const auto& line : lines_) {
        for (const PlacedChar& c : line)
            text += c.c;
        text += U'\n';
    }
    return text;
}

}  // namespace vellumark
