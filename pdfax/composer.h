// Composing pages from images and lines on the current document.
#pragma once

#include "document.h"

#include <string>

namespace pdfax {

// Drawing state for one current document. Coordinates are PDF points
// measured from the top-left corner of the current page, y downwards.
class Composer {
public:
    // Forgets images and drawing state; called whenever the current
    // document is replaced.
    void Reset();

    // Replaces `doc` by a new document with one blank page.
    bool NewDocument(Document& doc);
    // Appends a page of the same size and orientation as the current one.
    bool NewPage(Document& doc);
    // Returns an image id (> 0), or 0 for anything but a decodable PNG or JPEG.
    int AddImage(Document& doc, const std::string& path);
    bool SelectImage(int imageId);
    bool DrawImage(Document& doc, double left, double top, double width, double height);
    bool SetLineColor(double red, double green, double blue);
    bool DrawLine(Document& doc, double x1, double y1, double x2, double y2);
    // Writes `doc` with everything drawn so far to `path`, atomically.
    bool Save(Document& doc, const std::string& path);

    // Height in points of the current page, for callers that convert origins.
    double CurrentPageHeight(const Document& doc) const;
};

}  // namespace pdfax
