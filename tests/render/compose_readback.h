// Reads back what a composed PDF draws: image placements and lines, in
// millimetres from the top-left corner of each page.
#pragma once

#include <string>
#include <vector>

namespace vellumark::testing {

struct Placement {
    std::string name;  // resource name of the image
    double left = 0, top = 0, width = 0, height = 0;
    std::string rawData;      // the image stream's bytes as stored
    std::string filter;       // e.g. "/DCTDecode"
    std::string decodeParms;  // unparsed text of /DecodeParms, empty if none
    int objectId = 0;
};

struct Line {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    double red = 0, green = 0, blue = 0;  // 0..1
};

struct ComposedPage {
    double widthMm = 0, heightMm = 0;
    std::vector<Placement> images;
    std::vector<Line> lines;
};

// Interprets the page contents (q/Q, cm, RG, m/l/S, Do) of every page.
std::vector<ComposedPage> ReadComposedPdf(const std::string& path);

// The concatenated IDAT chunk data of a PNG file's bytes.
std::string PngIdat(const std::string& png);

}  // namespace vellumark::testing
