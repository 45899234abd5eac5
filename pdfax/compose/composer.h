// Composing pages from images and lines on the current document.
#pragma once

#include "pdf/document.h"

#include <qpdf/QPDFObjGen.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <map>
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
    // Writes `doc` with everything drawn so far to `path`, atomically; throws
    // a Failure when it cannot.
    bool Save(Document& doc, const std::string& path);

    // Height in points of the current page, for callers that convert origins.
    double CurrentPageHeight(const Document& doc) const;

private:
    struct Image {
        QPDFObjectHandle xobject;
        std::string name;  // resource name, "/Im<id>"
    };

    // Page operators drawn since the last save, by page, written out on save
    // so that a page gets one content stream per save, not one per call.
    std::string& PendingFor(QPDFObjectHandle page);
    void FlushPending(QPDF& pdf);
    bool AddImageResource(QPDFObjectHandle page, const Image& image);

    std::map<std::string, int> idsByPath_;
    std::map<int, Image> images_;
    std::map<QPDFObjGen, std::pair<QPDFObjectHandle, std::string>> pending_;
    int nextImageId_ = 1;
    int selectedImage_ = 0;
    double stroke_[3] = {0, 0, 0};  // 0..1
};

}  // namespace pdfax
