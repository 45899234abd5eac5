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

}  // namespace pdfax
