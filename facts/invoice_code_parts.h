// Small text helpers the two forms of QR text share.
#pragma once

#include <string>
#include <vector>

namespace vellumark::code_parts {

std::vector<std::string> Split(const std::string& text, char separator);
std::string Trimmed(const std::string& text);
std::string Lower(std::string text);
bool AllDigits(const std::string& text, std::size_t least, std::size_t most);
// "20240514", "2024-05-14" or "20240514103000" as "2024-05-14"; empty when
// it is no date.
std::string IsoDate(std::string text);

}  // namespace vellumark::code_parts
