#include "pdf/page_geometry.h"

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
    if (!box.isRectangle())
        return b;
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
    if (!rotate.isNumber())
        return 0;
    // As the renderer reads it: whole quarter turns of the integer part, so
    // that 45 counts as 0 and -90 as 270.
    const double value = std::trunc(rotate.getNumericValue());
    if (!(std::fabs(value) < 1e9))
        return 0;
    int quarters = (static_cast<int>(value) / 90) % 4;
    if (quarters < 0)
        quarters += 4;
    return quarters * 90;
}

ViewerFrame ViewerFrameOf(QPDFObjectHandle page) {
    QPDFPageObjectHelper helper(page);
    Box media = ReadBox(helper.getMediaBox(false));
    // Without a usable MediaBox the renderer lays the page out as US Letter.
    if (!media.valid || media.urx <= media.llx || media.ury <= media.lly) {
        media = Box{0, 0, 612, 792, true};
    }
    Box crop = ReadBox(helper.getCropBox(false, false));
    Box visible = media;
    if (crop.valid) {
        visible.llx = std::max(media.llx, crop.llx);
        visible.lly = std::max(media.lly, crop.lly);
        visible.urx = std::min(media.urx, crop.urx);
        visible.ury = std::min(media.ury, crop.ury);
        // A CropBox outside the MediaBox is ignored, as viewers do.
        if (visible.urx <= visible.llx || visible.ury <= visible.lly)
            visible = media;
    }
    return {visible.llx, visible.lly, visible.urx, visible.ury, PageRotation(page)};
}

PagePoint ViewerFrame::ToViewer(PagePoint user) const {
    // Each quarter turn is clockwise: at 90 the page's left edge is on top.
    switch (rotation) {
        case 90:
            return {user.y - lly, user.x - llx};
        case 180:
            return {urx - user.x, user.y - lly};
        case 270:
            return {ury - user.y, urx - user.x};
        default:
            return {user.x - llx, ury - user.y};
    }
}

PageSize ViewerPageSize(QPDFObjectHandle page) {
    const ViewerFrame frame = ViewerFrameOf(page);
    PageSize size{frame.urx - frame.llx, frame.ury - frame.lly};
    if (frame.rotation == 90 || frame.rotation == 270)
        std::swap(size.width, size.height);
    return size;
}

}  // namespace pdfax
