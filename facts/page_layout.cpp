#include "page_layout.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numbers>

namespace vellumark {
namespace {

// Characters whose baselines differ by less than this share a line (in
// font sizes): enough for a value set a little off its label's baseline,
// too little for the next line.
constexpr double kSameLine = 0.35;

// How far apart the characters of a heading written downwards may stand,
// in font sizes: some spread "购买方" over the whole height of their block.
constexpr double kHeadingStep = 4;

// A gap wider than this between characters (in font sizes) separates
// values standing in different columns of one line: "58.02" and "3.48"
// must not read as "58.023.48".
constexpr double kColumnGap = 1.0;

bool SameSpot(const PlacedChar& a, const PlacedChar& b) {
    const double near = 0.3 * std::max(a.size, b.size);
    return a.c == b.c && std::fabs(a.x - b.x) < near && std::fabs(a.y - b.y) < near;
}

// Runs whose directions differ by less than this (in degrees) read along
// one direction. Text layers draw lines straight; the glyphs of a seal's
// ring, each turned its own way, read on lines of their own.
constexpr double kSameDirection = 3;

double AngleBetween(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360 - d);
}

int WholeDegrees(const pdfax::TextGlyph& glyph) {
    const double angle = std::isfinite(glyph.angle) ? std::fmod(glyph.angle, 360.0) : 0;
    return static_cast<int>(std::lround(angle < 0 ? angle + 360 : angle)) % 360;
}

// Every character with its place along and across its run. The directions
// most characters take are the frames, numbered from the most taken; a
// direction near one of them (a glyph of a seal's ring, a line askew) reads
// in its frame, so a few turned glyphs never set the frame of the rest.
std::vector<PlacedChar> Chars(const std::vector<pdfax::TextGlyph>& glyphs) {
    std::map<int, std::size_t> counts;
    for (const auto& glyph : glyphs)
        ++counts[WholeDegrees(glyph)];
    std::vector<std::pair<std::size_t, int>> byCount;
    for (const auto& [degrees, count] : counts)
        byCount.push_back({count, degrees});
    std::stable_sort(byCount.begin(), byCount.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<double> directions;
    std::map<int, int> frameOf;
    for (const auto& [count, degrees] : byCount) {
        std::size_t f = 0;
        while (f < directions.size() && AngleBetween(degrees, directions[f]) >= kSameDirection)
            ++f;
        if (f == directions.size())
            directions.push_back(degrees);
        frameOf[degrees] = static_cast<int>(f);
    }
    std::vector<PlacedChar> chars;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const auto& glyph = glyphs[i];
        const int frame = frameOf[WholeDegrees(glyph)];
        const auto f = static_cast<std::size_t>(frame);
        // Turned back by its direction: the run goes left to right.
        const double turn = directions[f] * std::numbers::pi / 180;
        const double cos = std::cos(turn), sin = std::sin(turn);
        const double along = glyph.x * cos + glyph.y * sin;
        const double across = glyph.y * cos - glyph.x * sin;
        const std::u32string text = Utf32(glyph.text);
        const double share = glyph.advance / static_cast<double>(text.size());
        for (std::size_t k = 0; k < text.size(); ++k)
            chars.push_back({text[k], along + share * static_cast<double>(k), across, share,
                             glyph.size > 0 ? glyph.size : 1, frame});
    }
    return chars;
}

bool IsColon(char32_t c) {
    return c == U':' || c == U'：';
}

// The nearest line above (or below) `place` in its frame whose baseline
// stands within `withinSizes` font sizes of the label's.
const std::vector<PlacedChar>* NearestLine(const std::vector<std::vector<PlacedChar>>& lines,
                                           const LabelPlace& place, double withinSizes,
                                           bool above) {
    const std::vector<PlacedChar>* nearest = nullptr;
    for (const auto& line : lines) {
        const double away = above ? place.bottom - line.front().y : line.front().y - place.bottom;
        if (line.front().frame == place.frame && away > 0.1 * place.size &&
            away <= withinSizes * place.size &&
            (!nearest || away < (above ? place.bottom - nearest->front().y
                                       : nearest->front().y - place.bottom)))
            nearest = &line;
    }
    return nearest;
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
    std::stable_sort(chars.begin(), chars.end(), [](const PlacedChar& a, const PlacedChar& b) {
        return a.frame != b.frame ? a.frame < b.frame : a.y < b.y;
    });
    // A line goes on while each character stands near the one before it
    // across the line: a lone character a little above the line (one of a
    // heading written downwards) must not split the label from its value.
    for (const PlacedChar& c : chars) {
        if (lines_.empty() || c.frame != lines_.back().back().frame ||
            c.y - lines_.back().back().y > kSameLine * std::max(c.size, lines_.back().back().size))
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
                                  next < line.size() && IsColon(line[next].c), line[start].frame});
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
                    if (other.front().frame != first.frame)
                        continue;
                    for (const PlacedChar& c : other) {
                        const double dy = c.y - last->y;
                        if (c.c == label[k] && std::fabs(c.x - first.x) < 0.5 * first.size &&
                            dy > 0.5 * first.size && dy < kHeadingStep * first.size)
                            below = &c;
                    }
                }
                last = below;
            }
            if (last)
                places.push_back({-1, 0, 0, first.x, first.y - first.size, last->y, first.size,
                                  false, first.frame});
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
        const double gap = line[k].x - (before.x + before.advance);
        if (gap > gapInSizes * before.size)
            break;
        if (k > i && gap > kColumnGap * before.size && !IsBlank(before.c) && !IsBlank(line[k].c))
            text += U' ';
        text += line[k].c;
    }
    return text;
}

std::u32string PageLayout::AboveRight(const LabelPlace& place, double withinSizes) const {
    const std::vector<PlacedChar>* nearest = NearestLine(lines_, place, withinSizes, true);
    std::u32string text;
    const PlacedChar* before = nullptr;
    for (const PlacedChar& c : nearest ? *nearest : std::vector<PlacedChar>{}) {
        if (c.x <= place.left)
            continue;
        if (before && c.x - (before->x + before->advance) > kColumnGap * before->size)
            text += U' ';
        text += c.c;
        before = &c;
    }
    return text;
}

std::u32string PageLayout::Under(const LabelPlace& place, double withinSizes) const {
    const std::vector<PlacedChar>* below = NearestLine(lines_, place, withinSizes, false);
    if (!below || place.line < 0)
        return {};
    // The column runs from the heading's left edge to the next heading's.
    const auto& headings = lines_[static_cast<std::size_t>(place.line)];
    double end = std::numeric_limits<double>::infinity();
    for (std::size_t k = place.after; k < headings.size() && std::isinf(end); ++k) {
        if (!IsBlank(headings[k].c))
            end = headings[k].x;
    }
    // Values may be set off to either side of their heading: the first
    // run of characters reaching into the column is its value. Runs part
    // at column gaps; blanks inside one are kept.
    std::u32string run;
    double runStart = 0, runEnd = 0;
    const auto inColumn = [&] {
        return !run.empty() && runEnd > place.left + 0.5 * place.size && runStart < end;
    };
    for (const PlacedChar& c : *below) {
        if (IsBlank(c.c)) {
            if (!run.empty())
                run += c.c;
            continue;
        }
        if (!run.empty() && c.x - runEnd > kColumnGap * c.size) {
            if (inColumn())
                return run;
            run.clear();
        }
        if (run.empty())
            runStart = c.x;
        run += c.c;
        runEnd = c.x + c.advance;
    }
    return inColumn() ? run : std::u32string();
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
