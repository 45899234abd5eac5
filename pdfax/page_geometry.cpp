#include "page_geometry.h"

#include <qpdf/QPDFPageObjectHelper.hh>

#include <algorithm>
#include <cmath>

namespace pdfax {
namespace {

struct Box {
    double llx = 0, lly = 0, urx = 0, ury = 0;
    bool valid = false;
};

Box ReadBox(QPDFObjectHandle box) {
    Box b;
    if (!box.isRectangle()) return b;
    const auto r = box.getArrayAsRectangle();
    b.llx = std::min(r.llx, r.urx);
    b.urx = std::max(r.llx, r.urx);
    b.lly = std::min(r.lly, r.ury);
    b.ury = std::max(r.lly, r.ury);
    b.valid = std::isfinite(b.llx) && std::isfinite(b.lly) && std::isfinite(b.urx) &&
              std::isfinite(b.ury);
    return b;
}

}  // namespace

int PageRotation(QPDFObjectHandle page) {
    QPDFPageObjectHelper helper(page);
    auto rotate = helper.getAttribute("/Rotate", false);
    if (!rotate.isNumber()) return 0;
    const double value = rotate.getNumericValue();
    if (!std::isfinite(value)) return 0;
    int degrees = static_cast<int>(std::lround(value)) % 360;
    if (degrees < 0) degrees += 360;
    return (degrees / 90) * 90;
}

PageSize ViewerPageSize(QPDFObjectHandle page) {
    QPDFPageObjectHelper helper(page);
    Box media = ReadBox(helper.getMediaBox(false));
    if (!media.valid) return {};
    Box crop = ReadBox(helper.getCropBox(false, false));
    Box visible = media;
    if (crop.valid) {
        visible.llx = std::max(media.llx, crop.llx);
        visible.lly = std::max(media.lly, crop.lly);
        visible.urx = std::min(media.urx, crop.urx);
        visible.ury = std::min(media.ury, crop.ury);
        // A CropBox outside the MediaBox is ignored, as viewers do.
        if (visible.urx <= visible.llx || visible.ury <= visible.lly) visible = media;
    }
    PageSize size{visible.urx - visible.llx, visible.ury - visible.lly};
    const int rotation = PageRotation(page);
    if (rotation == 90 || rotation == 270) std::swap(size.width, size.height);
    return size;
}

}  // namespace pdfax
