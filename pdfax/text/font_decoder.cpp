#include "text/font_decoder.h"

#include <qpdf/QUtil.hh>

#include <cctype>

namespace pdfax {
namespace {

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

std::uint32_t CodeOf(const std::string& bytes) {
    std::uint32_t code = 0;
    for (const char c : bytes)
        code = (code << 8) | static_cast<unsigned char>(c);
    return code;
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
    if (composite_) {
        QPDFObjectHandle encoding = font.getKey("/Encoding");
        // The UTF-16 encodings give the same code units for every character
        // an invoice prints (those outside the BMP are left out, as ever).
        const std::string name = encoding.isName() ? encoding.getName() : std::string();
        ucs2_ = name.find("UCS2") != std::string::npos || name.find("UTF16") != std::string::npos;
        identity_ = encoding.isName() && encoding.getName().rfind("/Identity", 0) == 0;
        QPDFObjectHandle descendants = font.getKey("/DescendantFonts");
        if (descendants.isArray() && descendants.getArrayNItems() > 0)
            ReadCompositeWidths(descendants.getArrayItem(0));
    } else {
        ReadSimpleFont(font);
    }
    if (QPDFObjectHandle map = font.getKey("/ToUnicode"); map.isStream())
        ReadToUnicode(map);
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

std::string FontDecoder::TextOf(std::uint32_t code) const {
    if (const auto found = toUnicode_.find(code); found != toUnicode_.end())
        return found->second;
    std::string text;
    if (ucs2_ && (code < 0xD800 || code >= 0xE000))
        AppendUtf8(text, code);
    return text;
}

double FontDecoder::WidthOf(std::uint32_t code) const {
    // Composite fonts give widths by glyph (CID). Without the predefined
    // CMaps only the Roman characters can be placed: in each of Adobe's
    // Chinese, Japanese and Korean orderings CIDs 1 to 95 are ASCII 32 to
    // 126 in order; other characters take the default width.
    if (composite_ && !identity_) {
        if (code < 0x20 || code > 0x7E)
            return defaultWidth_;
        code -= 31;
    }
    const auto found = widths_.find(code);
    return found == widths_.end() ? defaultWidth_ : found->second;
}

std::vector<ShownCode> FontDecoder::Decode(const std::string& bytes) const {
    std::vector<ShownCode> codes;
    const std::size_t step = composite_ ? 2 : 1;
    for (std::size_t i = 0; i + step <= bytes.size(); i += step) {
        const std::uint32_t code = CodeOf(bytes.substr(i, step));
        codes.push_back({TextOf(code), WidthOf(code), !composite_ && code == 32});
    }
    return codes;
}

}  // namespace pdfax
