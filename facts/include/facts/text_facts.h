// The facts a page's text layer gives, values matched to their labels by
// where they stand on the page.
#pragma once

#include "facts/invoice_facts.h"

#include <pdfax/library.h>

#include <vector>

namespace vellumark {

// Reads the title (the kind), "发票代码"/"发票号码" (or a toll bill's
// "票据代码"/"票据号码"), "开票日期", the amount and tax of the "合计" line, the
// total after "（小写）", and each "名称" and "纳税人识别号" under the heading
// ("购买方" or "销售方") that stands beside or above it. Without a labelled
// total, the largest amount marked "¥" is the total, marked uncertain.
InvoiceFacts ReadTextFacts(const std::vector<pdfax::TextGlyph>& glyphs);

}  // namespace vellumark
