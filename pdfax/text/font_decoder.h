// What the strings a page shows in one font say: the codes they hold, the
// text of each code and how far it advances.
#pragma once

#include "text/predefined_cmap.h"

#include <qpdf/QPDFObjectHandle.hh>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace pdfax {

struct ShownCode {
    std::string text;        // UTF-8; empty when the font does not say
    double width = 0;        // advance in thousandths of the font size (downwards when vertical)
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

    // Written downwards (an encoding ending in -V): glyphs advance down.
    bool Vertical() const { return vertical_; }

private:
    void ReadToUnicode(QPDFObjectHandle stream);
    // Reads the bfrange entry at tokens[i]; returns where the next begins.
    std::size_t ReadRange(const std::vector<CMapToken>& tokens, std::size_t i);
    void ReadSimpleFont(QPDFObjectHandle font);
    void ReadCompositeEncoding(QPDFObjectHandle font, QPDFObjectHandle descendant);
    void ReadCompositeWidths(QPDFObjectHandle descendant);
    std::size_t CodeLength(const std::string& bytes, std::size_t at) const;
    std::string TextOf(const std::string& bytes, std::uint32_t code, std::uint32_t cid) const;
    std::uint32_t CidOf(std::uint32_t code, std::size_t length) const;
    double WidthOf(std::uint32_t cid) const;

    bool composite_ = false;     // Type0: codes of one to four bytes, each a CID
    bool unicodeCodes_ = false;  // codes are UTF-16 (the Uni…-UCS2 and -UTF16 encodings)
    bool identity_ = false;      // codes are CIDs (Identity-H and -V)
    bool vertical_ = false;
    std::shared_ptr<const PredefinedCMap> cmap_;        // the encoding, when predefined
    std::shared_ptr<const PredefinedCMap> textCmap_;    // a -V encoding's -H, for the text
    std::shared_ptr<const CollectionCharacters> cids_;  // text by CID, without a ToUnicode map
    std::unordered_map<std::uint32_t, std::string> toUnicode_;
    std::unordered_map<std::uint32_t, double> widths_;  // by CID in composite fonts
    double defaultWidth_ = 500;
    double verticalAdvance_ = 1000;  // downwards, for every glyph of a vertical font
};

// The UTF-8 form of UTF-16BE code units; unpaired surrogates are dropped.
std::string Utf16BeToUtf8(const std::string& units);
void AppendUtf8(std::string& out, char32_t cp);

}  // namespace pdfax
