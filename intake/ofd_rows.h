// The rows of OFD invoice packages. A package is listed as it is and never
// split on disk: each of its pages is a row that names the package and the
// page, and the renderer makes that page into a PDF when it renders it.
#pragma once

#include "intake/invoice_rows.h"
#include "pdflib/problem_text.h"

#include <string>
#include <vector>

namespace vellumark {

inline constexpr const char* kOfdPattern = "*.ofd";

// True when the file name ends in ".ofd", in any case.
bool IsOfdPath(const std::string& path);

// The name the list shows for page `page` of `pages` of the package at
// `path`: the file name with its ".ofd", so that it reads apart from the PDF
// of the same invoice, and the page as a split PDF names it: "发票.ofd",
// "发票.ofd(第2页)".
QString OfdRowName(const std::string& path, int page, int pages);

// Puts one row for each page of the package at `path` at the top of `rows`,
// page after page, as the intake puts each PDF, so that pages of equal
// height keep their order. A package that cannot be read gets one row with
// no pages, "无法读取" and the reason, which is also added to `unreadable`.
void InsertOfdRows(InvoiceRows& rows, const std::string& path,
                   std::vector<FileProblem>* unreadable);

}  // namespace vellumark
