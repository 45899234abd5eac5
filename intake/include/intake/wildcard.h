// Wildcard matching and name ordering the way a Windows folder does them.
#pragma once

#include <string>

namespace vellumark {

// True when `name` matches `pattern`: "*" stands for any run of characters,
// "?" for exactly one character, letters compare without regard to ASCII case.
// Names are the platform's bytes; a "?" takes a whole UTF-8 sequence when one
// stands there and a single byte otherwise.
bool WildcardMatch(const std::string& pattern, const std::string& name);

// Ascending order as an NTFS folder lists names: ASCII letters folded to
// upper case, so "aab" comes before "a_b"; other characters by their UTF-8
// bytes, which is code point order. Names that differ only in case, which
// NTFS cannot hold together, are ordered by their bytes.
bool FoldedLess(const std::string& a, const std::string& b);

}  // namespace vellumark
