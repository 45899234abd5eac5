// Writing a selection of a file's pages as a new PDF.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pdfax {

// Writes the pages named by `pageList` (decimal page numbers from 1,
// separated by commas, ranges as "2-4") of `input` to a new file `output`,
// keeping each page's annotations and form fields. The file appears complete
// or not at all, is never written over an existing name, and true is
// returned only when the written file opens with the expected page count.
// The 1-based page numbers of a list such as "2", "1,3" or "2-4", in order;
// nothing when the list is malformed, names a page twice or one outside
// 1..pageCount.
std::optional<std::vector<int>> ParsePageList(const std::string& pageList, int pageCount);

bool ExtractPages(const std::string& input, const std::string& password, const std::string& output,
                  const std::string& pageList);

}  // namespace pdfax
