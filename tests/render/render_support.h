// Rendering corpus and fixture files straight through the module's renderer.
#pragma once

#include <QImage>

#include <string>

namespace vellumark::testing {

struct RenderOutcome {
    bool opened = false;    // the file opened (no password needed, repairable)
    bool rendered = false;  // RenderPageToFile reported success
};

// Opens `pdf`, optionally sets /Rotate of page `page` (1-based) in memory,
// and renders that page to `output`.
RenderOutcome RenderFilePage(const std::string& pdf, int page, int format, double dpi,
                             const std::string& output, int setRotate = -1);

// Pixels whose colour is clearly red (seal ink), clearly dark (text), and
// counts inside a rectangle given in fractions of the image.
struct PixelCounts {
    int red = 0;
    int dark = 0;
    int nonWhite = 0;
};
PixelCounts CountPixels(const QImage& image, double x0, double y0, double x1, double y1);

// Bit depth and colour type from a PNG file's header; -1 when unreadable.
struct PngHeader {
    int width = -1, height = -1, depth = -1, colorType = -1;
};
PngHeader ReadPngHeader(const std::string& bytes);

QImage LoadImage(const std::string& path);

}  // namespace vellumark::testing
