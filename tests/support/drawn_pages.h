// Reads a PDF back as a viewer would place things: where each page draws its
// images and lines, in millimetres from the page's top-left corner.
#pragma once

#include <string>
#include <vector>

namespace vellumark::testing {

struct DrawnImage {
    double left = 0, top = 0, width = 0, height = 0;
    int pixelWidth = 0, pixelHeight = 0;  // of the image drawn
    std::string filter;                   // "/DCTDecode", "/FlateDecode", ...
    std::string decodeParms;              // unparsed /DecodeParms, empty if none
    std::string rawData;                  // the image stream's bytes as stored
    int objectId = 0;                     // equal for an image drawn twice
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
std::vector<DrawnPage> ReadDrawnPages(const std::string& path);

// The samples of image object `objectId` in the PDF at `path`, with every
// filter but DCT undone: what a viewer draws of a lossless image, whatever
// bytes its compressor chose.
std::string ImageSamples(const std::string& path, int objectId);

}  // namespace vellumark::testing
