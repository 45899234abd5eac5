// A page's text layer arranged as a reader sees it: characters on lines,
// lines top to bottom, and labels found where they are written.
#pragma once

#include <pdfax/library.h>

#include <string>
#include <vector>

namespace vellumark {

// A character placed along its run: x along the way it reads, y across it
// (downwards as a reader of that run sees it), both in points.
struct PlacedChar {
    char32_t c = 0;
    double x = 0, y = 0, advance = 0, size = 0;
    int frame = 0;  // the direction it runs in, as PageLayout numbers them
};

// Where a label was found: its line, the characters after it, and its box,
// in the frame of the direction its line runs in.
struct LabelPlace {
    int line = -1;
    std::size_t start = 0;  // index in the line of its first character
    std::size_t after = 0;  // index in the line of the first character after the label
    double left = 0, top = 0, bottom = 0, size = 0;
    bool colon = false;  // a colon follows, as after "名称" but not "项目名称"
    int frame = 0;       // places in different frames cannot be compared
};

class PageLayout {
public:
    // Arranges `glyphs`; characters drawn twice on the same spot (a bold
    // imitation) count once. Lines are rebuilt along the way each run of
    // glyphs advances, so an invoice drawn turned on its page reads as an
    // upright one; the direction most characters take comes first.
    explicit PageLayout(const std::vector<pdfax::TextGlyph>& glyphs);

    // Every place where `label` is written along a line, blanks allowed
    // between its characters, top to bottom.
    std::vector<LabelPlace> Find(const std::u32string& label) const;
    // Every place where `label` is written downwards, one character under
    // the other, as the buyer and seller blocks are headed.
    std::vector<LabelPlace> FindDownwards(const std::u32string& label) const;

    // The text after `place` on its line, from its first character that is
    // not a colon or a blank, up to a gap wider than `gapInSizes` times the
    // font size. Blanks inside are kept, and a narrower gap that still
    // parts two columns reads as one blank.
    std::u32string After(const LabelPlace& place, double gapInSizes) const;

    // The text right of `place` on the nearest line above it in its frame,
    // when that line stands within `withinSizes` font sizes: values some
    // producers set a little above their label's baseline. Columns part
    // with a blank.
    std::u32string AboveRight(const LabelPlace& place, double withinSizes) const;

    // The value under a column heading at `place`, on the nearest line below
    // within `withinSizes` font sizes: the first run of characters reaching
    // into the column, which ends where the next heading on its line starts.
    std::u32string Under(const LabelPlace& place, double withinSizes) const;

    // The character just before the label on its line; 0 at the line's start.
    char32_t Before(const LabelPlace& place) const;

    // Every line's text, top to bottom, one line per "\n".
    std::u32string AllLines() const;

private:
    // Each line along its run; lines of a frame top to bottom as read.
    std::vector<std::vector<PlacedChar>> lines_;
};

bool IsBlank(char32_t c);
std::string Utf8(const std::u32string& text);
std::u32string Utf32(const std::string& text);

}  // namespace vellumark
