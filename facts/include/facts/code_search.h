// Where an invoice page carries its QR code, for the renders that read it.
#pragma once

#include <pdfax/library.h>

namespace vellumark {

// VAT and fully digital invoices draw their code as an image about square,
// from half an inch to a few inches across, or as vector marks in the left
// two fifths of the page. That column is searched at about 100 dpi: the
// code's modules still span pixels there, and a page without a code costs
// least. A page where none of that finds a code is searched whole, at about
// 150 dpi and the slow way: codes drawn elsewhere (lower right, on a page
// turned on its side) and dense ones are found there.
pdfax::CodeSearch InvoiceCodeSearch();

}  // namespace vellumark
