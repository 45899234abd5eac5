// Reading the QR code an invoice page carries from the page's rendered
// bitmap.
#pragma once

#include "text/page_text.h"

#include <QImage>

#include <string>
#include <vector>

namespace pdfax {

// Where to look for a page's code in its bitmap: the square images drawn on
// it (in points on the page as shown, before it was turned clockwise by
// `turn` degrees for rendering).
struct CodePlaces {
    int turn = 0;
    std::vector<PageArea> squareImages;
};

// The text (UTF-8) of the page's QR code, read from `bitmap`, the page
// rendered over transparency at `dpi` as RasteriseBitmap gives it; empty
// when none is found. Each square image is tried first, at full resolution;
// then the left two fifths of the page, where invoices print codes they
// draw without an image, at about 100 dpi: that still reads them, and a
// page without any code costs least there.
std::string ReadQrCode(const QImage& bitmap, double dpi, const CodePlaces& places = {});

}  // namespace pdfax
