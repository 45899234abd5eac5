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
// and repeats its total, which would count that invoice twice. Only a
// document whose own code names it (an air itinerary) keeps its number and
// amounts, still not counted as an invoice.
InvoiceFacts CombineFacts(InvoiceFacts text, const CodeFacts& code);

// The facts a render made with `readFacts` brought back.
InvoiceFacts FactsOfRender(const pdfax::RenderedImage& render);

// The resolution of renders made only to read a page's facts.
inline constexpr double kFactsRenderDpi = 150;

// Reads the first page of every file, its text layer and its QR code, from
// a render of its own. Files that cannot be read get no facts. When
// `cancelled` turns true, no further file is read and nothing is returned.
std::vector<InvoiceFacts> ReadFacts(PdfLibrary& pdf, const std::vector<std::string>& paths,
                                    const std::function<bool()>& cancelled = {});

// The same from renders that also serve something else: each job says which
// page, and where its image goes. `renders`, when given, gets how each
// render ended, without its text.
std::vector<InvoiceFacts> ReadFacts(PdfLibrary& pdf, std::vector<pdfax::RenderJob> jobs,
                                    const std::function<bool()>& cancelled,
                                    std::vector<pdfax::RenderedImage>* renders);

}  // namespace vellumark
