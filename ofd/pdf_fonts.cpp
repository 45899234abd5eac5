#include "pdf_fonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_FONT_FORMATS_H

#include <cmath>
#include <cstdio>
#include <functional>
#include <set>

#include "error_words.h"
#include "installed_faces.h"

namespace ofd {

struct FontSet::Entry {
    std::string name;
    std::string bytes;  // the embedded font file; the face reads from it
    FT_Face face = nullptr;
    std::string baseFont;
    std::map<unsigned, char32_t> glyphs;  // glyph used -> its character
    // A named font drawn with an installed face: the faces that may stand
    // in, and each character's code, numbered in the order of first use.
    std::vector<const InstalledFace*> standIns;
    std::map<char32_t, unsigned> codes;
};

namespace {

void AppendHex16(std::string& out, unsigned value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%04X", value & 0xFFFFu);
    out += buffer;
}

void AppendUtf16(std::string& out, char32_t ch) {
    if (ch >= 0x10000 && ch <= 0x10FFFF) {
        ch -= 0x10000;
        AppendHex16(out, 0xD800 + (ch >> 10));
        AppendHex16(out, 0xDC00 + (ch & 0x3FF));
    } else {
        AppendHex16(out, ch > 0xFFFF ? 0xFFFD : static_cast<unsigned>(ch));
    }
}

QPDFObjectHandle Name(const char* name) {
    return QPDFObjectHandle::newName(name);
}

QPDFObjectHandle Descriptor(const std::string& baseFont, int flags) {
    auto d = QPDFObjectHandle::newDictionary();
    d.replaceKey("/Type", Name("/FontDescriptor"));
    d.replaceKey("/FontName", QPDFObjectHandle::newName("/" + baseFont));
    d.replaceKey("/Flags", QPDFObjectHandle::newInteger(flags));
    d.replaceKey("/FontBBox", QPDFObjectHandle::parse("[-150 -250 1100 950]"));
    d.replaceKey("/ItalicAngle", QPDFObjectHandle::newInteger(0));
    d.replaceKey("/Ascent", QPDFObjectHandle::newInteger(880));
    d.replaceKey("/Descent", QPDFObjectHandle::newInteger(-120));
    d.replaceKey("/CapHeight", QPDFObjectHandle::newInteger(700));
    d.replaceKey("/StemV", QPDFObjectHandle::newInteger(80));
    return d;
}

QPDFObjectHandle Type0(QPDF& pdf, const std::string& baseFont, const char* encoding,
                       QPDFObjectHandle descendant) {
    auto font = QPDFObjectHandle::newDictionary();
    font.replaceKey("/Type", Name("/Font"));
    font.replaceKey("/Subtype", Name("/Type0"));
    font.replaceKey("/BaseFont", QPDFObjectHandle::newName("/" + baseFont));
    font.replaceKey("/Encoding", Name(encoding));
    font.replaceKey("/DescendantFonts",
                    QPDFObjectHandle::newArray({pdf.makeIndirectObject(descendant)}));
    return pdf.makeIndirectObject(font);
}

QPDFObjectHandle NamedFont(QPDF& pdf, const std::string& baseFont) {
    auto cid = QPDFObjectHandle::newDictionary();
    cid.replaceKey("/Type", Name("/Font"));
    cid.replaceKey("/Subtype", Name("/CIDFontType0"));
    cid.replaceKey("/BaseFont", QPDFObjectHandle::newName("/" + baseFont));
    cid.replaceKey("/CIDSystemInfo", QPDFObjectHandle::parse(
                                         "<< /Registry (Adobe) /Ordering (GB1) /Supplement 5 >>"));
    cid.replaceKey("/FontDescriptor", pdf.makeIndirectObject(Descriptor(baseFont, 6)));
    cid.replaceKey("/DW", QPDFObjectHandle::newInteger(1000));
    // Latin letters of the collection are half as wide as ideographs.
    cid.replaceKey("/W", QPDFObjectHandle::parse("[1 95 500 814 939 500]"));
    return Type0(pdf, baseFont, "/UniGB-UTF16-H", cid);
}

QPDFObjectHandle ToUnicode(QPDF& pdf, const std::map<unsigned, char32_t>& glyphs) {
    std::string cmap =
        "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def /CMapType 2 def\n"
        "1 begincodespacerange <0000> <FFFF> endcodespacerange\n";
    auto it = glyphs.begin();
    while (it != glyphs.end()) {
        std::string block;
        int count = 0;
        for (; it != glyphs.end() && count < 100; ++it, ++count) {
            block += "<";
            AppendHex16(block, it->first);
            block += "> <";
            AppendUtf16(block, it->second);
            block += ">\n";
        }
        cmap += std::to_string(count) + " beginbfchar\n" + block + "endbfchar\n";
    }
    cmap += "endcmap CMapName currentdict /CMap defineresource pop end end\n";
    return QPDFObjectHandle::newStream(&pdf, cmap);
}

QPDFObjectHandle EmbeddedFont(QPDF& pdf, const FontSet::Entry& entry) {
    const char* format = FT_Get_Font_Format(entry.face);
    const bool cff = format && std::string(format) == "CFF";
    auto file = QPDFObjectHandle::newStream(&pdf, entry.bytes);
    if (cff)
        file.getDict().replaceKey("/Subtype", Name("/OpenType"));
    auto descriptor = Descriptor(entry.baseFont, 4);
    descriptor.replaceKey(cff ? "/FontFile3" : "/FontFile2", file);
    auto widths = QPDFObjectHandle::newArray();
    const double unitsPerEm = entry.face->units_per_EM ? entry.face->units_per_EM : 1000;
    for (const auto& [glyph, ch] : entry.glyphs) {
        long advance = 1000;
        if (FT_Load_Glyph(entry.face, glyph, FT_LOAD_NO_SCALE) == 0)
            advance = std::lround(entry.face->glyph->metrics.horiAdvance * 1000 / unitsPerEm);
        widths.appendItem(QPDFObjectHandle::newInteger(glyph));
        widths.appendItem(QPDFObjectHandle::newArray({QPDFObjectHandle::newInteger(advance)}));
    }
    auto cid = QPDFObjectHandle::newDictionary();
    cid.replaceKey("/Type", Name("/Font"));
    cid.replaceKey("/Subtype", Name(cff ? "/CIDFontType0" : "/CIDFontType2"));
    cid.replaceKey("/BaseFont", QPDFObjectHandle::newName("/" + entry.baseFont));
    cid.replaceKey(
        "/CIDSystemInfo",
        QPDFObjectHandle::parse("<< /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"));
    cid.replaceKey("/FontDescriptor", pdf.makeIndirectObject(descriptor));
    if (!cff)
        cid.replaceKey("/CIDToGIDMap", Name("/Identity"));
    cid.replaceKey("/W", widths);
    auto font = Type0(pdf, entry.baseFont, "/Identity-H", cid);
    font.replaceKey("/ToUnicode", ToUnicode(pdf, entry.glyphs));
    return font;
}

// Six capital letters naming a subset, the same for the same characters.
std::string SubsetTag(const std::map<char32_t, unsigned>& codes) {
    std::u32string chars;
    for (const auto& [ch, code] : codes)
        chars += ch;
    std::size_t hash = std::hash<std::u32string>{}(chars);
    std::string tag;
    for (int i = 0; i < 6; ++i, hash /= 26)
        tag += static_cast<char>('A' + hash % 26);
    return tag + "+";
}

// A named font as a subset of the installed face that stands in for it.
// Codes are numbered characters; CIDToGIDMap turns them into the subset's
// glyphs and ToUnicode back into the characters. Without a subset the text
// still reads, and no glyph is drawn.
QPDFObjectHandle StandInFont(QPDF& pdf, const FontSet::Entry& entry, const FaceSubset* subset) {
    const std::string baseFont = SubsetTag(entry.codes) + entry.baseFont;
    auto descriptor = Descriptor(baseFont, 4);
    if (subset)
        descriptor.replaceKey("/FontFile2", QPDFObjectHandle::newStream(&pdf, subset->bytes));
    std::string toGlyph(2 * (entry.codes.size() + 1), '\0');
    std::vector<int> widths(entry.codes.size() + 1, 1000);
    std::map<unsigned, char32_t> chars;
    for (const auto& [ch, code] : entry.codes) {
        const FaceSubset::Glyph glyph = subset ? subset->glyphs.at(ch) : FaceSubset::Glyph{};
        toGlyph[2 * code] = static_cast<char>(glyph.id >> 8);
        toGlyph[2 * code + 1] = static_cast<char>(glyph.id & 0xFF);
        widths[code] = glyph.width;
        chars.emplace(code, ch);
    }
    auto widthList = QPDFObjectHandle::newArray();
    for (std::size_t code = 1; code < widths.size(); ++code)
        widthList.appendItem(QPDFObjectHandle::newInteger(widths[code]));
    auto cid = QPDFObjectHandle::newDictionary();
    cid.replaceKey("/Type", Name("/Font"));
    cid.replaceKey("/Subtype", Name("/CIDFontType2"));
    cid.replaceKey("/BaseFont", QPDFObjectHandle::newName("/" + baseFont));
    cid.replaceKey(
        "/CIDSystemInfo",
        QPDFObjectHandle::parse("<< /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"));
    cid.replaceKey("/FontDescriptor", pdf.makeIndirectObject(descriptor));
    cid.replaceKey("/CIDToGIDMap", QPDFObjectHandle::newStream(&pdf, toGlyph));
    cid.replaceKey("/W", QPDFObjectHandle::newArray({QPDFObjectHandle::newInteger(1), widthList}));
    auto font = Type0(pdf, baseFont, "/Identity-H", cid);
    font.replaceKey("/ToUnicode", ToUnicode(pdf, chars));
    return font;
}

}  // namespace

std::string StandardFontName(const std::string& ofdName) {
    static const std::pair<const char*, const char*> known[] = {
        {"宋体", "SimSun"},          {"新宋体", "NSimSun"},
        {"楷体", "KaiTi"},           {"楷体_GB2312", "KaiTi"},
        {"黑体", "SimHei"},          {"仿宋", "FangSong"},
        {"仿宋_GB2312", "FangSong"}, {"微软雅黑", "MicrosoftYaHei"},
        {"等线", "DengXian"},        {"隶书", "LiSu"},
        {"幼圆", "YouYuan"},
    };
    for (const auto& [chinese, standard] : known)
        if (ofdName == chinese)
            return standard;
    std::string name;
    for (char c : ofdName) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return "SimSun";  // an unknown Chinese name
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '_' || c == ',')
            name += c;
    }
    return name.empty() ? "SimSun" : name;
}

FontSet::FontSet(QPDF& pdf, const Model& model, const Resources& res, std::vector<Error>& omitted)
    : pdf_(pdf), model_(model), res_(res), omitted_(omitted) {}

FontSet::~FontSet() {
    for (auto& [id, entry] : entries_)
        if (entry->face)
            FT_Done_Face(entry->face);
    if (library_)
        FT_Done_FreeType(static_cast<FT_Library>(library_));
}

FontSet::Entry& FontSet::Get(const std::string& id) {
    auto& slot = entries_[id];
    if (slot)
        return *slot;
    slot = std::make_unique<Entry>();
    slot->name = "/F" + std::to_string(entries_.size());
    const auto found = res_.fonts.find(id);
    const FontRes font = found != res_.fonts.end() ? found->second : FontRes{};
    const std::string& named = font.name.empty() ? font.family : font.name;
    slot->baseFont = StandardFontName(named);
    if (!font.file.empty()) {
        auto bytes = model_.package->Read(font.file);
        FT_Library library = static_cast<FT_Library>(library_);
        if (!library && FT_Init_FreeType(&library) == 0)
            library_ = library;
        if (auto* data = std::get_if<std::string>(&bytes); data && library) {
            slot->bytes = std::move(*data);
            const auto* raw = reinterpret_cast<const FT_Byte*>(slot->bytes.data());
            // A font FreeType cannot read is drawn by its name instead.
            if (FT_New_Memory_Face(library, raw, static_cast<FT_Long>(slot->bytes.size()), 0,
                                   &slot->face) != 0)
                slot->face = nullptr;
        }
        if (slot->face)
            slot->baseFont = "OFDFont" + std::to_string(entries_.size());
    }
    if (!slot->face)
        slot->standIns = FacesFor(named);
    return *slot;
}

std::string FontSet::Name(const std::string& id) {
    return Get(id).name;
}

void FontSet::AppendCode(std::string& out, const std::string& id, char32_t ch) {
    Entry& entry = Get(id);
    out += '<';
    if (entry.face) {
        const unsigned glyph = FT_Get_Char_Index(entry.face, ch);
        entry.glyphs.emplace(glyph, ch);
        AppendHex16(out, glyph);
    } else if (!entry.standIns.empty()) {
        auto found = entry.codes.find(ch);
        if (found == entry.codes.end() && entry.codes.size() < 0xFFFF)
            found = entry.codes.emplace(ch, static_cast<unsigned>(entry.codes.size() + 1)).first;
        // Past the last two-byte code, a character draws nothing.
        AppendHex16(out, found != entry.codes.end() ? found->second : 0);
    } else {
        AppendUtf16(out, ch);
    }
    out += '>';
}

void FontSet::Finish(QPDFObjectHandle fonts) {
    for (auto& [id, entry] : entries_) {
        if (entry->face) {
            fonts.replaceKey(entry->name, EmbeddedFont(pdf_, *entry));
        } else if (entry->standIns.empty()) {
            fonts.replaceKey(entry->name, NamedFont(pdf_, entry->baseFont));
        } else {
            // Even a font set for no character is carried: naming it alone
            // would have the renderer load its substitute face.
            std::set<char32_t> chars;
            for (const auto& [ch, code] : entry->codes)
                chars.insert(ch);
            const auto subset = SubsetOfFaces(entry->standIns, chars);
            if (!subset)
                omitted_.push_back(Fail(kWordsFontFailed,
                                        "no subset of an installed face for " + entry->baseFont));
            fonts.replaceKey(entry->name, StandInFont(pdf_, *entry, subset ? &*subset : nullptr));
        }
    }
}

}  // namespace ofd
