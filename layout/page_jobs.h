// How the merge renders a row's page, for the merge and for the renders
// made ahead of it.
#pragma once

#include "intake/invoice_rows.h"

#include <pdfax/library.h>

#include <string>

namespace vellumark {

// The layout's pixel-to-millimetre constants assume this resolution.
inline constexpr double kRenderDpi = 300.0;

bool IsTallRow(const InvoiceRows& rows, int row);

// The page of `row` (page 1 of a PDF row, its page of an OFD row) at kRenderDpi to `output`: JPEG
// for a tall invoice, whose photos and greys JPEG keeps small, PNG for a short one; turned a
// quarter when `turn`.
pdfax::RenderJob PageJob(const InvoiceRows& rows, int row, bool turn, std::string output);

}  // namespace vellumark
