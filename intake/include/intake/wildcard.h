// Wildcard matching and name ordering the way a Windows folder does them.
#pragma once

#include <string>

namespace vellumark {

// True when `name` matches `pattern`: "*" stands for any run of characters,
// "?" for exactly one character, letters compare without regard to ASCII case.
// Names are the platform's bytes; a "?" takes a whole UTF-8 sequence when one
// stands there and a single byte otherwise.
bool WildcardMatch(const std::string& pattern, const std::string& name);

// Ascending order with ASCII letters folded to lower case; names that differ
// only in case are ordered by their bytes.
bool FoldedLess(const std::string& a, const std::string& b);

}  // namespace vellumark
