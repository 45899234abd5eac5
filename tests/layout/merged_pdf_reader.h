// Reads a merged PDF back: where each page draws its images and lines, in
// millimetres from the page's top-left corner.
#pragma once

#include <string>
#include <vector>

namespace vellumark::testing {

struct DrawnImage {
    double left = 0, top = 0, width = 0, height = 0;
    int pixelWidth = 0, pixelHeight = 0;  // of the image drawn
    std::string filter;                   // "/DCTDecode", "/FlateDecode", ...
};

struct DrawnLine {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    double red = 0, green = 0, blue = 0;  // stroke colour, 0..1
};

struct DrawnPage {
    double widthMm = 0, heightMm = 0;
    std::vector<DrawnImage> images;
    std::vector<DrawnLine> lines;
};

// Follows q/Q, cm, RG/G, m/l and Do through each page's contents.
std::vector<DrawnPage> ReadMergedPdf(const std::string& path);

}  // namespace vellumark::testing
