// Encoding rendered pages: 8-bit RGB pixels to PNG and JPEG bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pdfax {

// Tightly packed 8-bit RGB rows, top row first.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width * height * 3 bytes
};

// Zlib level and PNG row filter. Measured on the sample invoices at 300 dpi,
// zlib level 1 without row filtering is about four times faster than Qt's
// default PNG writer (level 6, adaptive filters) and the files are barely
// larger: rendered invoices are mostly flat white, and filtering flat areas
// only costs time.
struct PngOptions {
    int level = 1;
    int filter = 0;    // PNG filter type: 0 none, 1 sub, 2 up, 3 average, 4 Paeth, -1 adaptive
    int strategy = 0;  // zlib strategy: 0 default, 3 Z_RLE
};

// Empty on failure.
std::string EncodePng(const RgbImage& image, const PngOptions& options = {});
std::string EncodeJpeg(const RgbImage& image, int quality = 92);

// Fills `out` with row `y` (top row 0) as width * 3 bytes of 8-bit RGB.
using RgbRows = std::function<void(int y, std::uint8_t* out)>;

// The same encodings from rows made on demand, so that an image never has to
// exist whole in RGB. The PNG is written with the default options; for those
// EncodePng gives the same bytes.
std::string EncodePngRows(int width, int height, const RgbRows& rows);
std::string EncodeJpegRows(int width, int height, const RgbRows& rows, int quality = 92);

}  // namespace pdfax
