// Writing a selection of a file's pages as a new PDF.
#pragma once

#include <string>

namespace pdfax {

// Writes the pages named by `pageList` (decimal page numbers from 1,
// separated by commas, ranges as "2-4") of `input` to a new file `output`,
// keeping each page's annotations and form fields. The file appears complete
// or not at all, is never written over an existing name, and true is
// returned only when the written file opens with the expected page count.
bool ExtractPages(const std::string& input, const std::string& password,
                  const std::string& output, const std::string& pageList);

}  // namespace pdfax
