#include "facts/listing.h"

#include <cstdint>
#include <cstdio>

namespace vellumark {
namespace {

// Length of the valid UTF-8 sequence at `i` (its code point in `cp`), or 0.
std::size_t DecodeUtf8(const std::string& s, std::size_t i, char32_t& cp) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > s.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return length;
}

bool IsWide(char32_t cp) {
    return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0x303E) ||
           (cp >= 0x3041 && cp <= 0xA4CF) || (cp >= 0xAC00 && cp <= 0xD7A3) ||
           (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFE30 && cp <= 0xFE4F) ||
           (cp >= 0xFF00 && cp <= 0xFF60) || (cp >= 0xFFE0 && cp <= 0xFFE6) ||
           (cp >= 0x1F300 && cp <= 0x1F64F) || (cp >= 0x20000 && cp <= 0x3FFFD);
}

std::string Hex4(unsigned value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%04x", value & 0xFFFFu);
    return buffer;
}

}  // namespace

std::string JsonString(const std::string& bytes) {
    std::string out = "\"";
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t cp = 0;
        const std::size_t length = DecodeUtf8(bytes, i, cp);
        if (length == 0) {
            out += "\\u" + Hex4(0xDC00u | static_cast<unsigned char>(bytes[i]));
            ++i;
            continue;
        }
        if (cp == '"') {
            out += "\\\"";
        } else if (cp == '\\') {
            out += "\\\\";
        } else if (cp == '\n') {
            out += "\\n";
        } else if (cp == '\r') {
            out += "\\r";
        } else if (cp == '\t') {
            out += "\\t";
        } else if (cp < 0x20 || cp == 0x7F) {
            out += "\\u" + Hex4(static_cast<unsigned>(cp));
        } else {
            out.append(bytes, i, length);
        }
        i += length;
    }
    return out + "\"";
}

std::string CsvField(const std::string& bytes) {
    const bool quote = bytes.find_first_of(",\"\r\n") != std::string::npos ||
                       (!bytes.empty() && (bytes.front() == ' ' || bytes.back() == ' '));
    if (!quote)
        return bytes;
    std::string out = "\"";
    for (const char c : bytes) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

std::string TerminalText(const std::string& bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t cp = 0;
        const std::size_t length = DecodeUtf8(bytes, i, cp);
        if (length == 0 || cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) {
            out += '?';
            i += length == 0 ? 1 : length;
        } else {
            out.append(bytes, i, length);
            i += length;
        }
    }
    return out;
}

int DisplayWidth(const std::string& text) {
    int width = 0;
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const std::size_t length = DecodeUtf8(text, i, cp);
        width += length != 0 && IsWide(cp) ? 2 : 1;
        i += length == 0 ? 1 : length;
    }
    return width;
}

}  // namespace vellumark
