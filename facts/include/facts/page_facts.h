// The facts of listed pages, from their text layers and QR codes.
#pragma once

#include "facts/invoice_code.h"
#include "facts/invoice_facts.h"
#include "pdflib/pdf_library.h"

#include <string>
#include <vector>

namespace vellumark {

// One page's facts from its two sources. Where both give a field and they
// differ, the code's value stands and the field is marked uncertain; where
// the amounts do not add up, they are marked too. A page that is no
// invoice keeps no number and no amounts: an itinerary names its invoice
// and repeats its total, which would count that invoice twice.
InvoiceFacts CombineFacts(InvoiceFacts text, const CodeFacts& code);

// The resolution of renders made only to read a page's QR code.
inline constexpr double kCodeRenderDpi = 150;

// Reads the first page of every file: its text layer, and with `readCodes`
// its QR code from a render of its own. Files that cannot be read get no
// facts. `cancelled`, when given, is asked between files.
std::vector<InvoiceFacts> ReadFacts(PdfLibrary& pdf, const std::vector<std::string>& paths,
                                    bool readCodes, const std::function<bool()>& cancelled = {});

// The text-layer facts of every file's first page, kept to be combined with
// QR codes read later (by the merge's own renders).
std::vector<InvoiceFacts> ReadTextFactsOf(PdfLibrary& pdf, const std::vector<std::string>& paths);

}  // namespace vellumark
