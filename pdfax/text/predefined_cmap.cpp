#include "text/predefined_cmap.h"

#include <qpdf/QUtil.hh>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace pdfax {
namespace {

// A range wider than this in a data file is damage, not a mapping.
constexpr std::uint32_t kWidestRange = 0x10000;

struct Token {
    char kind;  // 'h' hex string (decoded), 'n' name (without its slash), 'w' anything else
    std::string text;
};

bool IsDelimiter(char c) {
    return std::isspace(static_cast<unsigned char>(c)) ||
           std::string_view("()<>[]{}/%").find(c) != std::string_view::npos;
}

// The PostScript tokens a CMap file is made of, as far as its mappings need
// them; comments, strings and dictionary brackets are passed over.
std::vector<Token> Tokens(std::string_view data) {
    std::vector<Token> tokens;
    for (std::size_t i = 0; i < data.size();) {
        const char c = data[i];
        if (c == '%') {
            i = std::min(data.find_first_of("\r\n", i), data.size());
        } else if (c == '(') {
            for (int depth = 0; i < data.size(); ++i) {
                depth += data[i] == '(' ? 1 : data[i] == ')' ? -1 : 0;
                if (depth == 0)
                    break;
            }
            ++i;
        } else if (c == '<' && i + 1 < data.size() && data[i + 1] != '<') {
            const std::size_t end = std::min(data.find('>', i), data.size());
            tokens.push_back(
                {'h', QUtil::hex_decode(std::string(data.substr(i + 1, end - i - 1)))});
            i = end + 1;
        } else if (c == '/' || !IsDelimiter(c)) {
            const std::size_t start = c == '/' ? i + 1 : i;
            std::size_t end = start;
            while (end < data.size() && !IsDelimiter(data[end]))
                ++end;
            tokens.push_back({c == '/' ? 'n' : 'w', std::string(data.substr(start, end - start))});
            i = end;
        } else {
            ++i;
        }
    }
    return tokens;
}

std::uint32_t CodeOf(std::string_view bytes) {
    std::uint32_t code = 0;
    for (const char c : bytes)
        code = (code << 8) | static_cast<unsigned char>(c);
    return code;
}

bool IsNumber(const Token& token) {
    return token.kind == 'w' && !token.text.empty() &&
           std::all_of(token.text.begin(), token.text.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

std::uint32_t NumberOf(const Token& token) {
    return static_cast<std::uint32_t>(std::strtoul(token.text.c_str(), nullptr, 10));
}

}  // namespace

PredefinedCMap::PredefinedCMap(std::string_view text, const Finder& find)
    : oneByte_(0x100), twoBytes_(0x10000) {
    const std::vector<Token> t = Tokens(text);
    const auto is = [&](std::size_t i, char kind) { return i < t.size() && t[i].kind == kind; };
    std::string section;
    for (std::size_t i = 0; i < t.size();) {
        if (section == "begincodespacerange" && is(i, 'h') && is(i + 1, 'h')) {
            CodeSpace space;
            space.length = std::min<std::size_t>(t[i].text.size(), 4);
            if (space.length > 0 && t[i + 1].text.size() == t[i].text.size()) {
                std::copy_n(t[i].text.begin(), space.length, space.low.begin());
                std::copy_n(t[i + 1].text.begin(), space.length, space.high.begin());
                spaces_.push_back(space);
            }
            i += 2;
        } else if (section == "begincidrange" && is(i, 'h') && is(i + 1, 'h') && i + 2 < t.size() &&
                   IsNumber(t[i + 2])) {
            const std::uint32_t low = CodeOf(t[i].text), high = CodeOf(t[i + 1].text);
            const std::uint32_t cid = NumberOf(t[i + 2]);
            for (std::uint32_t code = low; code <= high && code - low < kWidestRange; ++code)
                Map(code, t[i].text.size(), cid + (code - low));
            i += 3;
        } else if (section == "begincidchar" && is(i, 'h') && i + 1 < t.size() &&
                   IsNumber(t[i + 1])) {
            Map(CodeOf(t[i].text), t[i].text.size(), NumberOf(t[i + 1]));
            i += 2;
        } else if (is(i, 'n') && i + 1 < t.size() && t[i + 1].text == "usecmap") {
            if (const PredefinedCMap* base = find(t[i].text)) {
                spaces_ = base->spaces_;
                oneByte_ = base->oneByte_;
                twoBytes_ = base->twoBytes_;
                longer_ = base->longer_;
            }
            i += 2;
        } else if (is(i, 'n') && t[i].text == "WMode" && i + 1 < t.size()) {
            vertical_ = t[i + 1].text == "1";
            i += 2;
        } else {
            if (t[i].kind == 'w' && t[i].text.rfind("begin", 0) == 0)
                section = t[i].text;
            else if (t[i].kind == 'w' && t[i].text.rfind("end", 0) == 0)
                section.clear();
            ++i;
        }
    }
}

void PredefinedCMap::Map(std::uint32_t code, std::size_t length, std::uint32_t cid) {
    if (length == 1)
        oneByte_[code & 0xFF] = cid;
    else if (length == 2)
        twoBytes_[code & 0xFFFF] = cid;
    else if (length <= 4)
        longer_[static_cast<std::uint64_t>(length) << 32 | code] = cid;
}

std::size_t PredefinedCMap::CodeLength(std::string_view bytes, std::size_t at) const {
    for (const CodeSpace& space : spaces_) {
        if (at + space.length > bytes.size())
            continue;
        bool inside = true;
        for (std::size_t k = 0; k < space.length && inside; ++k) {
            const auto byte = static_cast<unsigned char>(bytes[at + k]);
            inside = byte >= space.low[k] && byte <= space.high[k];
        }
        if (inside)
            return space.length;
    }
    return 1;
}

std::uint32_t PredefinedCMap::CidOf(std::uint32_t code, std::size_t length) const {
    if (length == 1)
        return code <= 0xFF ? oneByte_[code] : 0;
    if (length == 2)
        return code <= 0xFFFF ? twoBytes_[code] : 0;
    const auto found = longer_.find(static_cast<std::uint64_t>(length) << 32 | code);
    return found == longer_.end() ? 0 : found->second;
}

}  // namespace pdfax
