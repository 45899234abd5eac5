#include "intake/wildcard.h"

#include <algorithm>

namespace vellumark {

namespace {

// Upper case, as NTFS compares names: "_" then sorts after the letters.
unsigned char Fold(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 'a' + 'A') : u;
}

// Length of the character starting at `at`: a complete UTF-8 sequence, or
// one byte for anything else (GBK names from Windows archives).
std::size_t CharLength(const std::string& s, std::size_t at) {
    const auto lead = static_cast<unsigned char>(s[at]);
    std::size_t want = 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        want = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        want = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        want = 4;
    }
    if (at + want > s.size())
        return 1;
    for (std::size_t i = 1; i < want; ++i) {
        if ((static_cast<unsigned char>(s[at + i]) & 0xC0) != 0x80)
            return 1;
    }
    return want;
}

}  // namespace

bool WildcardMatch(const std::string& pattern, const std::string& name) {
    // Greedy matching with one backtrack point for the last "*": linear in
    // practice and never recursive, whatever the pattern.
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += CharLength(name, n);
        } else if (p < pattern.size() && Fold(pattern[p]) == Fold(name[n])) {
            ++p;
            ++n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            starN += CharLength(name, starN);
            n = starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool FoldedLess(const std::string& a, const std::string& b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto fa = Fold(a[i]), fb = Fold(b[i]);
        if (fa != fb)
            return fa < fb;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    // std::char_traits<char> compares as unsigned char: plain byte order.
    return a < b;
}

}  // namespace vellumark
