// Encoding rendered pages: 8-bit RGB pixels to PNG and JPEG bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pdfax {

// Tightly packed 8-bit RGB rows, top row first.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width * height * 3 bytes
};

// Zlib level and PNG row filter. The default trades a few per cent of file
// size for an encoder several times faster than zlib's default level with
// adaptive filtering: rendered invoices are mostly flat white, which the
// "up" filter and a fast level compress nearly as well.
struct PngOptions {
    int level = 1;
    int filter = 2;    // PNG filter type: 0 none, 1 sub, 2 up, 3 average, 4 Paeth, -1 adaptive
    int strategy = 0;  // zlib strategy: 0 default, 3 Z_RLE
};

// Empty on failure.
std::string EncodePng(const RgbImage& image, const PngOptions& options = {});
std::string EncodeJpeg(const RgbImage& image, int quality = 92);

}  // namespace pdfax
