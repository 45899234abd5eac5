// What the strings a page shows in one font say: the codes they hold, the
// text of each code and how far it advances.
#pragma once

#include <qpdf/QPDFObjectHandle.hh>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace pdfax {

struct ShownCode {
    std::string text;        // UTF-8; empty when the font does not say
    double width = 0;        // advance in thousandths of the font size
    bool wordSpace = false;  // the single-byte code 32, which word spacing widens
};

// One token of a ToUnicode CMap.
struct CMapToken {
    char kind;  // 'h' hex string (decoded), 'w' word, '[' or ']'
    std::string text;
};

class FontDecoder {
public:
    // Reads the font dictionary's encoding, ToUnicode map and widths. Parts
    // it cannot make sense of are left out: their codes decode to no text.
    explicit FontDecoder(QPDFObjectHandle font);

    std::vector<ShownCode> Decode(const std::string& bytes) const;

private:
    void ReadToUnicode(QPDFObjectHandle stream);
    // Reads the bfrange entry at tokens[i]; returns where the next begins.
    std::size_t ReadRange(const std::vector<CMapToken>& tokens, std::size_t i);
    void ReadSimpleFont(QPDFObjectHandle font);
    void ReadCompositeWidths(QPDFObjectHandle descendant);
    std::string TextOf(std::uint32_t code) const;
    double WidthOf(std::uint32_t code) const;

    bool composite_ = false;  // Type0: two-byte codes
    bool ucs2_ = false;       // codes are UTF-16 code units (the Uni…-UCS2 and -UTF16 encodings)
    bool identity_ = false;   // codes are glyph numbers (Identity-H and -V)
    std::unordered_map<std::uint32_t, std::string> toUnicode_;
    std::unordered_map<std::uint32_t, double> widths_;
    double defaultWidth_ = 500;
};

// The UTF-8 form of UTF-16BE code units; unpaired surrogates are dropped.
std::string Utf16BeToUtf8(const std::string& units);

}  // namespace pdfax
