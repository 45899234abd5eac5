// A page's text layer with the place of every character, read from the
// page's content as a viewer would draw it.
#pragma once

#include <pdfax/library.h>

#include <qpdf/QPDFObjectHandle.hh>

#include <vector>

namespace pdfax {

// The characters `page` shows, in content order, placed as on the page a
// viewer shows (points from its top-left corner, /Rotate applied). Text in
// form XObjects is included; characters the fonts give no text for are
// left out. Throws what qpdf throws on content it cannot parse.
std::vector<TextGlyph> ReadPageText(QPDFObjectHandle page);

}  // namespace pdfax
