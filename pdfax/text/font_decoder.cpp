#include "text/font_decoder.h"

#include <qpdf/QUtil.hh>

#include <cctype>

namespace pdfax {

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

namespace {

// Windows-1252 above 0x7F, as WinAnsiEncoding fonts use it; 0 where unused.
char32_t WinAnsi(unsigned char byte) {
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    if (byte >= 0x80 && byte < 0xA0)
        return kHigh[byte - 0x80];
    return byte;
}

// The characters behind the glyph names invoices' simple fonts use.
char32_t GlyphNameCharacter(const std::string& name) {
    static const std::unordered_map<std::string, char32_t> kNames = {
        {"space", ' '},     {"period", '.'},    {"comma", ','}, {"hyphen", '-'},   {"minus", '-'},
        {"colon", ':'},     {"slash", '/'},     {"yen", 0xA5},  {"zero", '0'},     {"one", '1'},
        {"two", '2'},       {"three", '3'},     {"four", '4'},  {"five", '5'},     {"six", '6'},
        {"seven", '7'},     {"eight", '8'},     {"nine", '9'},  {"asterisk", '*'}, {"percent", '%'},
        {"parenleft", '('}, {"parenright", ')'}};
    if (name.size() == 1 && std::isalpha(static_cast<unsigned char>(name[0])))
        return static_cast<char32_t>(name[0]);
    if (name.size() == 7 && name.rfind("uni", 0) == 0) {
        char* end = nullptr;
        const unsigned long value = std::strtoul(name.c_str() + 3, &end, 16);
        return *end == '\0' ? static_cast<char32_t>(value) : 0;
    }
    const auto found = kNames.find(name);
    return found == kNames.end() ? 0 : found->second;
}

std::uint32_t CodeOf(std::string_view bytes) {
    std::uint32_t code = 0;
    for (const char c : bytes)
        code = (code << 8) | static_cast<unsigned char>(c);
    return code;
}

// The collection a CID font's CIDs belong to, "Adobe-GB1", when its CIDs
// are that collection's: a CFF font keyed by CID, or a font the reader has
// to find for itself. The CIDs of an embedded TrueType font are often its
// glyph numbers whatever it claims, and read as a collection they would
// give wrong text rather than none.
std::string CollectionOf(QPDFObjectHandle descendant) {
    if (!descendant.isDictionary())
        return {};
    QPDFObjectHandle info = descendant.getKey("/CIDSystemInfo");
    QPDFObjectHandle registry = info.isDictionary() ? info.getKey("/Registry") : info;
    QPDFObjectHandle ordering = info.isDictionary() ? info.getKey("/Ordering") : info;
    if (!registry.isString() || !ordering.isString() || registry.getUTF8Value() != "Adobe")
        return {};
    QPDFObjectHandle descriptor = descendant.getKey("/FontDescriptor");
    const bool embeddedTrueType = descriptor.isDictionary() && descriptor.hasKey("/FontFile2");
    if (embeddedTrueType)
        return {};
    return "Adobe-" + ordering.getUTF8Value();
}

// A CMap's tokens as far as ToUnicode maps need them: hex strings (decoded,
// marked by kind 'h'), "[" and "]", and words such as "beginbfrange".
// Hex strings often follow each other without blanks, so words and strings
// are split where their characters end rather than at blanks.
std::vector<CMapToken> CMapTokens(const std::string& data) {
    std::vector<CMapToken> tokens;
    for (std::size_t i = 0; i < data.size();) {
        const char c = data[i];
        if (c == '<' && i + 1 < data.size() && data[i + 1] != '<') {
            const std::size_t end = data.find('>', i);
            if (end == std::string::npos)
                break;
            tokens.push_back({'h', QUtil::hex_decode(data.substr(i + 1, end - i - 1))});
            i = end + 1;
        } else if (c == '[' || c == ']') {
            tokens.push_back({c, {}});
            ++i;
        } else if (std::isalpha(static_cast<unsigned char>(c))) {
            std::size_t end = i;
            while (end < data.size() && std::isalnum(static_cast<unsigned char>(data[end])))
                ++end;
            tokens.push_back({'w', data.substr(i, end - i)});
            i = end;
        } else if (c == '%') {
            while (i < data.size() && data[i] != '\n' && data[i] != '\r')
                ++i;
        } else {
            ++i;
        }
    }
    return tokens;
}

}  // namespace

std::string Utf16BeToUtf8(const std::string& units) {
    std::string out;
    for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
        char32_t unit =
            (static_cast<unsigned char>(units[i]) << 8) | static_cast<unsigned char>(units[i + 1]);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < units.size()) {
            const char32_t low = (static_cast<unsigned char>(units[i + 2]) << 8) |
                                 static_cast<unsigned char>(units[i + 3]);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        if (unit < 0xD800 || unit >= 0xE000)
            AppendUtf8(out, unit);
    }
    return out;
}

FontDecoder::FontDecoder(QPDFObjectHandle font) {
    if (!font.isDictionary())
        return;
    composite_ = font.getKey("/Subtype").isNameAndEquals("/Type0");
    // A simple font's encoding comes first, its ToUnicode map over it; a
    // composite font's map says whether its CIDs need reading as text.
    if (!composite_)
        ReadSimpleFont(font);
    if (QPDFObjectHandle map = font.getKey("/ToUnicode"); map.isStream())
        ReadToUnicode(map);
    if (composite_) {
        QPDFObjectHandle descendants = font.getKey("/DescendantFonts");
        QPDFObjectHandle descendant = descendants.isArray() && descendants.getArrayNItems() > 0
                                          ? descendants.getArrayItem(0)
                                          : QPDFObjectHandle::newNull();
        ReadCompositeEncoding(font, descendant);
        if (descendant.isDictionary())
            ReadCompositeWidths(descendant);
    }
}

void FontDecoder::ReadCompositeEncoding(QPDFObjectHandle font, QPDFObjectHandle descendant) {
    QPDFObjectHandle encoding = font.getKey("/Encoding");
    if (!encoding.isName())
        return;
    const std::string name = encoding.getName().substr(1);
    vertical_ = name.size() > 2 && name.compare(name.size() - 2, 2, "-V") == 0;
    unicodeCodes_ = name.rfind("Uni", 0) == 0 && (name.find("-UCS2-") != std::string::npos ||
                                                  name.find("-UTF16-") != std::string::npos);
    const bool needsCollection = toUnicode_.empty() && !unicodeCodes_;
    if (name == "Identity-H" || name == "Identity-V") {
        identity_ = true;
        if (const std::string collection = CollectionOf(descendant);
            needsCollection && !collection.empty())
            cids_ = FindCollection(collection);
        return;
    }
    FoundCMap found = FindPredefinedCMap(name);
    cmap_ = std::move(found.cmap);
    // A vertical CMap turns punctuation into its upright forms; the text is
    // the character its horizontal twin gives.
    if (vertical_ && cmap_)
        textCmap_ = FindPredefinedCMap(name.substr(0, name.size() - 1) + "H").cmap;
    if (cmap_ && needsCollection)
        cids_ = FindCollection(found.collection);
}

void FontDecoder::ReadToUnicode(QPDFObjectHandle stream) {
    const auto data = stream.getStreamData(qpdf_dl_generalized);
    const std::vector<CMapToken> tokens =
        CMapTokens(std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize()));
    const auto hex = [&](std::size_t i) { return i < tokens.size() && tokens[i].kind == 'h'; };
    std::string section;
    for (std::size_t i = 0; i < tokens.size();) {
        if (tokens[i].kind == 'w') {
            section = tokens[i++].text;
        } else if (section == "beginbfchar" && hex(i) && hex(i + 1)) {
            toUnicode_[CodeOf(tokens[i].text)] = Utf16BeToUtf8(tokens[i + 1].text);
            i += 2;
        } else if (section == "beginbfrange" && hex(i) && hex(i + 1)) {
            i = ReadRange(tokens, i);
        } else {
            ++i;
        }
    }
}

std::size_t FontDecoder::ReadRange(const std::vector<CMapToken>& tokens, std::size_t i) {
    const std::uint32_t first = CodeOf(tokens[i].text), last = CodeOf(tokens[i + 1].text);
    i += 2;
    if (last < first || last - first > 0xFFFF || i >= tokens.size())
        return i;
    if (tokens[i].kind == '[') {
        ++i;
        for (std::uint32_t code = first; code <= last && i < tokens.size() && tokens[i].kind == 'h';
             ++code, ++i)
            toUnicode_[code] = Utf16BeToUtf8(tokens[i].text);
        return i + 1;
    }
    if (tokens[i].kind != 'h' || tokens[i].text.empty())
        return i;
    std::string to = tokens[i].text;
    for (std::uint32_t code = first; code <= last; ++code) {
        toUnicode_[code] = Utf16BeToUtf8(to);
        // The destination counts up along the range, carrying into the bytes
        // before its last as producers expect ("<94F0>" + 0x20 is U+9510).
        for (std::size_t k = to.size(); k-- > 0;) {
            to[k] = static_cast<char>(static_cast<unsigned char>(to[k]) + 1);
            if (to[k] != 0)
                break;
        }
    }
    return i + 1;
}

void FontDecoder::ReadSimpleFont(QPDFObjectHandle font) {
    QPDFObjectHandle first = font.getKey("/FirstChar");
    QPDFObjectHandle widths = font.getKey("/Widths");
    if (first.isInteger() && widths.isArray()) {
        const long long start = first.getIntValue();
        for (int i = 0; i < widths.getArrayNItems(); ++i) {
            if (auto w = widths.getArrayItem(i); w.isNumber())
                widths_[static_cast<std::uint32_t>(start + i)] = w.getNumericValue();
        }
    }
    // Codes are WinAnsi text unless the encoding's differences rename them.
    for (std::uint32_t code = 0x20; code < 0x100; ++code) {
        if (const char32_t cp = WinAnsi(static_cast<unsigned char>(code)); cp != 0 && cp != 0x7F)
            AppendUtf8(toUnicode_[code], cp);
    }
    QPDFObjectHandle encoding = font.getKey("/Encoding");
    QPDFObjectHandle differences =
        encoding.isDictionary() ? encoding.getKey("/Differences") : QPDFObjectHandle();
    if (!differences.isArray())
        return;
    long long code = 0;
    for (int i = 0; i < differences.getArrayNItems(); ++i) {
        QPDFObjectHandle item = differences.getArrayItem(i);
        if (item.isInteger()) {
            code = item.getIntValue();
        } else if (item.isName() && code >= 0 && code < 0x100) {
            std::string& text = toUnicode_[static_cast<std::uint32_t>(code++)];
            text.clear();
            if (const char32_t cp = GlyphNameCharacter(item.getName().substr(1)))
                AppendUtf8(text, cp);
        }
    }
}

void FontDecoder::ReadCompositeWidths(QPDFObjectHandle descendant) {
    defaultWidth_ = 1000;
    if (auto dw = descendant.getKey("/DW"); dw.isNumber())
        defaultWidth_ = dw.getNumericValue();
    // Every glyph of a vertical font advances by the same height here: "DW2
    // [origin advance]", the advance negative because it goes down.
    if (auto dw2 = descendant.getKey("/DW2");
        dw2.isArray() && dw2.getArrayNItems() == 2 && dw2.getArrayItem(1).isNumber())
        verticalAdvance_ = -dw2.getArrayItem(1).getNumericValue();
    QPDFObjectHandle w = descendant.getKey("/W");
    if (!w.isArray())
        return;
    // Entries are "c [w1 w2 ...]" or "cFirst cLast w".
    const int n = w.getArrayNItems();
    for (int i = 0; i + 1 < n;) {
        QPDFObjectHandle start = w.getArrayItem(i), next = w.getArrayItem(i + 1);
        if (!start.isInteger())
            break;
        auto code = static_cast<std::uint32_t>(start.getIntValue());
        if (next.isArray()) {
            for (int k = 0; k < next.getArrayNItems(); ++k) {
                if (auto value = next.getArrayItem(k); value.isNumber())
                    widths_[code + static_cast<std::uint32_t>(k)] = value.getNumericValue();
            }
            i += 2;
        } else if (i + 2 < n && next.isInteger() && w.getArrayItem(i + 2).isNumber()) {
            const auto last = static_cast<std::uint32_t>(next.getIntValue());
            const double value = w.getArrayItem(i + 2).getNumericValue();
            for (; code <= last && code - start.getIntValue() < 0x10000; ++code)
                widths_[code] = value;
            i += 3;
        } else {
            break;
        }
    }
}

std::size_t FontDecoder::CodeLength(const std::string& bytes, std::size_t at) const {
    if (!composite_)
        return 1;
    if (cmap_)
        return cmap_->CodeLength(bytes, at);
    // Without the CMap's data: two bytes, or four for a UTF-16 surrogate pair.
    const auto lead = static_cast<unsigned char>(bytes[at]);
    return unicodeCodes_ && lead >= 0xD8 && lead < 0xDC ? 4 : 2;
}

std::uint32_t FontDecoder::CidOf(std::uint32_t code, std::size_t length) const {
    if (!composite_ || identity_)
        return code;
    if (cmap_)
        return cmap_->CidOf(code, length);
    // Without the CMap's data only the Roman characters can be placed: in
    // each of Adobe's Chinese, Japanese and Korean collections CIDs 1 to 95
    // are ASCII 32 to 126 in order; other characters take the default width.
    return code >= 0x20 && code <= 0x7E ? code - 31 : 0;
}

std::string FontDecoder::TextOf(const std::string& bytes, std::uint32_t code,
                                std::uint32_t cid) const {
    if (const auto found = toUnicode_.find(code); found != toUnicode_.end())
        return found->second;
    if (unicodeCodes_)
        return Utf16BeToUtf8(bytes);
    std::string text;
    // The single bytes of the EUC encodings are ASCII, not the full-width
    // forms their CIDs are given in the collection's table.
    if (cmap_ && bytes.size() == 1 && code >= 0x20 && code <= 0x7E) {
        text += static_cast<char>(code);
    } else if (cids_ && cid > 0 && cid < cids_->size() && (*cids_)[cid] != 0) {
        AppendUtf8(text, (*cids_)[cid]);
    }
    return text;
}

double FontDecoder::WidthOf(std::uint32_t cid) const {
    if (composite_ && cid == 0 && !identity_)
        return defaultWidth_;
    const auto found = widths_.find(cid);
    return found == widths_.end() ? defaultWidth_ : found->second;
}

std::vector<ShownCode> FontDecoder::Decode(const std::string& bytes) const {
    std::vector<ShownCode> codes;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = std::min(CodeLength(bytes, i), bytes.size() - i);
        const std::string piece = bytes.substr(i, length);
        i += length;
        if (composite_ && piece.size() < 2 && !cmap_)
            break;  // the odd byte left over at the end of a two-byte string
        const std::uint32_t code = CodeOf(piece), cid = CidOf(code, length);
        const std::uint32_t textCid = textCmap_ ? textCmap_->CidOf(code, length) : cid;
        codes.push_back({TextOf(piece, code, textCid), vertical_ ? verticalAdvance_ : WidthOf(cid),
                         length == 1 && code == 32});
    }
    return codes;
}

}  // namespace pdfax
