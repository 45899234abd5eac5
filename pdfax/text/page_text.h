// A page's text layer with the place of every character, read from the
// page's content as a viewer would draw it.
#pragma once

#include <pdfax/library.h>

#include <qpdf/QPDFObjectHandle.hh>

#include <vector>

namespace pdfax {

// A box on the page as a viewer shows it, in points from its top-left corner.
struct PageArea {
    double left = 0, top = 0, width = 0, height = 0;
};

// The characters `page` shows, in content order, placed as on the page a
// viewer shows (points from its top-left corner, /Rotate applied). Text in
// form XObjects is included; characters the fonts give no text for are
// left out. With `images`, the place of every image drawn is added to it,
// for whoever looks for a picture such as a QR code. Throws what qpdf
// throws on content it cannot parse.
std::vector<TextGlyph> ReadPageText(QPDFObjectHandle page, std::vector<PageArea>* images = nullptr);

}  // namespace pdfax
