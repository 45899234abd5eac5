// Reading the QR code an invoice page carries from the page's rendered
// bitmap.
#pragma once

#include "text/page_text.h"

#include <QImage>

#include <string>
#include <vector>

namespace pdfax {

// Where to look for a page's code in its bitmap: what the caller's search
// says, and the images drawn on the page (in points on the page as shown,
// before it was turned clockwise by `turn` degrees for rendering).
struct CodePlaces {
    int turn = 0;
    CodeSearch search;
    std::vector<PageArea> images;
};

// The text (UTF-8) of the page's QR code, read from `bitmap`, the page
// rendered over transparency at `dpi` as RasteriseBitmap gives it; empty
// when none is found where the search says to look. The images it accepts
// are tried first, at full resolution, then its regions in turn, and only
// when all of those failed its harder regions.
std::string ReadQrCode(const QImage& bitmap, double dpi, const CodePlaces& places);

}  // namespace pdfax
