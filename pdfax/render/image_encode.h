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

// Empty on failure.
std::string EncodePng(const RgbImage& image);
std::string EncodeJpeg(const RgbImage& image, int quality = 92);

// Fills `out` with row `y` (top row 0) as width * 3 bytes of 8-bit RGB.
using RgbRows = std::function<void(int y, std::uint8_t* out)>;

// The same encodings from rows made on demand.
std::string EncodePngRows(int width, int height, const RgbRows& rows);
std::string EncodeJpegRows(int width, int height, const RgbRows& rows, int quality = 92);

}  // namespace pdfax
