// What a test compares to know that a page survived a split.
#pragma once

#include <compare>
#include <string>
#include <vector>

namespace vellumark::testing {

struct PageImprint {
    std::string contents;  // decoded content streams
    std::string mediaBox;  // the effective MediaBox as written by qpdf
    auto operator<=>(const PageImprint&) const = default;
};

// One imprint per page, read with qpdf directly; empty when qpdf cannot open
// the file without a password.
std::vector<PageImprint> PageImprints(const std::string& path);

// The imprints of every page of every "*.pdf" directly in `folder`, sorted:
// equal to the sorted imprints of the sources when every page is there
// exactly once.
std::vector<PageImprint> PagesInFolder(const std::string& folder);

}  // namespace vellumark::testing
