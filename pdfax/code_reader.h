// Reading the QR code an invoice page carries from the page's rendered
// bitmap.
#pragma once

#include <QImage>

#include <string>

namespace pdfax {

// The text (UTF-8) of the first QR code found in the left two fifths of
// `bitmap`, a page rendered over transparency as RasteriseBitmap gives it
// as the page is shown before it was turned clockwise by `turn` degrees for
// rendering; empty when none is found. Bitmaps rendered above 200 dpi are looked at in half size:
// the codes on invoices read as well there, in a quarter of the time.
std::string ReadQrCode(const QImage& bitmap, double dpi, int turn = 0);

}  // namespace pdfax
