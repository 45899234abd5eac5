// Page sizes as a viewer shows them.
#pragma once

#include <qpdf/QPDFObjectHandle.hh>

namespace pdfax {

struct PageSize {
    double width = 0;   // points
    double height = 0;  // points
};

// The visible size of `page`: its CropBox clipped to its MediaBox (both
// inherited when needed, normalised when inverted), turned by /Rotate. A page
// without a usable MediaBox is US Letter, as the renderer shows it.
PageSize ViewerPageSize(QPDFObjectHandle page);

// The page's effective rotation, normalised to 0, 90, 180 or 270.
int PageRotation(QPDFObjectHandle page);

struct PagePoint {
    double x = 0, y = 0;
};

// The part of a page a viewer shows and how it is turned: places in the
// page's default user space become places on the shown page, in points
// from its top-left corner with y growing downwards.
struct ViewerFrame {
    double llx = 0, lly = 0, urx = 0, ury = 0;  // the visible box
    int rotation = 0;

    PagePoint ToViewer(PagePoint user) const;
};

ViewerFrame ViewerFrameOf(QPDFObjectHandle page);

}  // namespace pdfax
