// The PDF fonts of a page's text. A font the OFD embeds goes into the PDF as
// a CID-keyed TrueType font whose codes are its glyph numbers, found through
// its own character map, with a ToUnicode map so the text can be read back.
// A font that is only named is drawn with an installed face that fits its
// name, embedded as a subset of the glyphs the page uses, with the same
// ToUnicode map; only where no such face is installed does it become a
// Chinese font of the standard GB character collection, not embedded, for
// the renderer to substitute a face (which costs it a whole face's read
// every page).
#pragma once

#include <qpdf/QPDF.hh>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model.h"

namespace ofd {

class FontSet {
public:
    // What cannot be drawn is added to `omitted`.
    FontSet(QPDF& pdf, const Model& model, const Resources& res, std::vector<Error>& omitted);
    ~FontSet();
    FontSet(const FontSet&) = delete;
    FontSet& operator=(const FontSet&) = delete;

    // The resource name of OFD font `id` ("/F12"), made on first use.
    std::string Name(const std::string& id);
    // Appends the code of `ch` in font `id` as a hex string, e.g. "<4E2D>".
    void AppendCode(std::string& out, const std::string& id, char32_t ch);
    // Writes the fonts used into the /Font dictionary `fonts`.
    void Finish(QPDFObjectHandle fonts);

    struct Entry;

private:
    Entry& Get(const std::string& id);

    QPDF& pdf_;
    const Model& model_;
    const Resources& res_;
    std::vector<Error>& omitted_;
    void* library_ = nullptr;  // FT_Library
    std::map<std::string, std::unique_ptr<Entry>> entries_;
};

// The face name a PDF reader knows for an OFD font name: "宋体" -> "SimSun".
std::string StandardFontName(const std::string& ofdName);

}  // namespace ofd
