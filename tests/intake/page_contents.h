// What a test compares to know that a page survived a split.
#pragma once

#include <string>
#include <vector>

namespace vellumark::testing {

struct PageImprint {
    std::string contents;  // decoded content streams
    std::string mediaBox;  // the effective MediaBox as written by qpdf
    bool operator==(const PageImprint&) const = default;
};

// One imprint per page, read with qpdf directly; empty when qpdf cannot open
// the file without a password.
std::vector<PageImprint> PageImprints(const std::string& path);

}  // namespace vellumark::testing
