// Small OFD packages made in memory, and looking at rendered pages.
#pragma once

#include <QImage>
#include <QString>

#include <map>
#include <string>

namespace ofd::testing {

using Entries = std::map<std::string, std::string>;

// A zip of `entries`, made with libzip.
std::string Zip(const Entries& entries);
// A one-page OFD of `width` x `height` mm whose page content is `content`
// (objects of one layer) and whose resources add `res`; more entries may be
// added or replaced before zipping.
Entries MinimalOfd(const std::string& content, const std::string& res = "",
                   const std::string& box = "0 0 100 60");
// A signed value holding a seal picture in the current seal structure.
std::string SealDer(const std::string& type, const std::string& data, int width, int height);
// A PNG of solid colour.
std::string Png(int width, int height, QColor color);
// An invoice as far as reading its facts needs: a 210 x 140 mm page with a
// QR code of `codeText` in its top-left corner, then `goodsPages` pages of a
// goods list that carry no code.
Entries InvoiceOfd(const std::string& codeText, int goodsPages = 0);

// `entries` with one signature on page 1, its seal at `boundary` (mm) and
// its signed value `signedValue` as it stands, readable or not.
Entries WithOneSeal(Entries entries, const std::string& boundary, const std::string& signedValue);

// Page 0 of `pdf` rendered at `dpi` with Qt PDF; null when it does not load.
QImage Render(const std::string& pdf, double dpi = 300);
// The pixel at (x, y) mm of an image rendered at `dpi`.
QColor At(const QImage& image, double xMm, double yMm, double dpi = 300);
// Pixels within the box (mm) that are clearly red.
int RedPixels(const QImage& image, double x, double y, double w, double h, double dpi = 300);
// The text of page 0 of `pdf` as Qt PDF reads it.
QString PageText(const std::string& pdf);
// The text of the first QR code found in the image; empty when none.
std::string ReadQr(const QImage& image);

}  // namespace ofd::testing
