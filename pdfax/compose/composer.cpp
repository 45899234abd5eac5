#include "compose/composer.h"

#include "base/atomic_file.h"
#include "compose/image_embed.h"
#include "pdf/open_pdf.h"
#include "pdf/page_geometry.h"

#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace pdfax {
namespace {

constexpr double kA4Width = 595.28;
constexpr double kA4Height = 841.89;

// Locale-independent number text for content streams (Qt programs run with
// the user's locale, whose decimal separator may be a comma).
std::string Num(double value) {
    if (std::fabs(value) < 5e-5)
        value = 0;
    char buffer[64];
    auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
    if (ec != std::errc())
        return "0";
    std::string text(buffer, end);
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    return text;
}

bool Finite(std::initializer_list<double> values) {
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// The affine map from the page as a viewer shows it (points from the top-left
// corner, y down) to the page's user space: x = a u + c v + e, y = b u + d v + f.
struct PageMap {
    double a = 1, b = 0, c = 0, d = -1, e = 0, f = 0;
    double viewHeight = 0;

    void Apply(double u, double v, double& x, double& y) const {
        x = a * u + c * v + e;
        y = b * u + d * v + f;
    }
};

QPDFObjectHandle::Rectangle VisibleBox(QPDFObjectHandle page) {
    QPDFPageObjectHelper helper(page);
    auto media = helper.getAttribute("/MediaBox", false);
    QPDFObjectHandle::Rectangle box(0, 0, kA4Width, kA4Height);
    if (media.isRectangle())
        box = media.getArrayAsRectangle();
    auto crop = helper.getAttribute("/CropBox", false);
    if (crop.isRectangle()) {
        const auto c = crop.getArrayAsRectangle();
        QPDFObjectHandle::Rectangle clipped(
            std::max(std::min(box.llx, box.urx), std::min(c.llx, c.urx)),
            std::max(std::min(box.lly, box.ury), std::min(c.lly, c.ury)),
            std::min(std::max(box.llx, box.urx), std::max(c.llx, c.urx)),
            std::min(std::max(box.lly, box.ury), std::max(c.lly, c.ury)));
        if (clipped.urx > clipped.llx && clipped.ury > clipped.lly)
            return clipped;
    }
    return QPDFObjectHandle::Rectangle(std::min(box.llx, box.urx), std::min(box.lly, box.ury),
                                       std::max(box.llx, box.urx), std::max(box.lly, box.ury));
}

PageMap MapOf(QPDFObjectHandle page) {
    const auto r = VisibleBox(page);
    PageMap m;
    switch (PageRotation(page)) {
        case 90:  // shown turned clockwise: the viewer's top-left is the lower-left corner
            m = {0, 1, 1, 0, r.llx, r.lly, r.urx - r.llx};
            break;
        case 180:
            m = {-1, 0, 0, 1, r.urx, r.lly, r.ury - r.lly};
            break;
        case 270:
            m = {0, -1, -1, 0, r.urx, r.ury, r.urx - r.llx};
            break;
        default:
            m = {1, 0, 0, -1, r.llx, r.ury, r.ury - r.lly};
            break;
    }
    return m;
}

bool CurrentPage(const Document& doc, QPDFObjectHandle& page) {
    if (doc.Empty())
        return false;
    const auto pages = QPDFPageDocumentHelper(*doc.pdf).getAllPages();
    if (doc.currentPage < 0 || doc.currentPage >= static_cast<int>(pages.size()))
        return false;
    page = pages[doc.currentPage].getObjectHandle();
    return true;
}

QPDFObjectHandle BlankPage(QPDF& pdf, QPDFObjectHandle mediaBox) {
    auto page = QPDFObjectHandle::newDictionary();
    page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
    page.replaceKey("/MediaBox", mediaBox);
    page.replaceKey("/Resources", QPDFObjectHandle::newDictionary());
    return pdf.makeIndirectObject(page);
}

QPDFObjectHandle RectangleArray(const QPDFObjectHandle::Rectangle& r) {
    return QPDFObjectHandle::newArray(r);
}

}  // namespace

void Composer::Reset() {
    idsByPath_.clear();
    images_.clear();
    pending_.clear();
    nextImageId_ = 1;
    selectedImage_ = 0;
    stroke_[0] = stroke_[1] = stroke_[2] = 0;
}

bool Composer::NewDocument(Document& doc) {
    Reset();
    auto pdf = NewQuietPdf();
    pdf->emptyPDF();
    auto page = BlankPage(*pdf, RectangleArray({0, 0, kA4Width, kA4Height}));
    QPDFPageDocumentHelper(*pdf).addPage(QPDFPageObjectHelper(page), false);
    doc = Document{};
    doc.pdf = std::move(pdf);
    doc.currentPage = 0;
    return true;
}

bool Composer::NewPage(Document& doc) {
    QPDFObjectHandle current;
    if (!CurrentPage(doc, current))
        return false;
    QPDFPageObjectHelper helper(current);
    auto media = helper.getAttribute("/MediaBox", false);
    auto page =
        BlankPage(*doc.pdf, media.isRectangle() ? RectangleArray(media.getArrayAsRectangle())
                                                : RectangleArray({0, 0, kA4Width, kA4Height}));
    auto crop = helper.getAttribute("/CropBox", false);
    if (crop.isRectangle())
        page.replaceKey("/CropBox", RectangleArray(crop.getArrayAsRectangle()));
    if (const int rotation = PageRotation(current); rotation != 0) {
        page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(rotation));
    }
    QPDFPageDocumentHelper pages(*doc.pdf);
    pages.addPage(QPDFPageObjectHelper(page), false);
    doc.currentPage = static_cast<int>(pages.getAllPages().size()) - 1;
    return true;
}

int Composer::AddImage(Document& doc, const std::string& path) {
    if (doc.Empty())
        return 0;
    if (const auto known = idsByPath_.find(path); known != idsByPath_.end())
        return known->second;
    auto xobject = EmbedImageFile(*doc.pdf, path);
    if (!xobject.isInitialized() || !xobject.isStream())
        return 0;
    const int id = nextImageId_++;
    images_[id] = Image{xobject, "/Im" + std::to_string(id)};
    idsByPath_[path] = id;
    return id;
}

bool Composer::SelectImage(int imageId) {
    if (images_.count(imageId) == 0)
        return false;
    selectedImage_ = imageId;
    return true;
}

std::string& Composer::PendingFor(QPDFObjectHandle page) {
    auto& entry = pending_[page.getObjGen()];
    if (!entry.first.isInitialized())
        entry.first = page;
    return entry.second;
}

bool Composer::AddImageResource(QPDFObjectHandle page, const Image& image) {
    // Copies inherited or shared resources so that only this page changes.
    auto resources = QPDFPageObjectHelper(page).getAttribute("/Resources", true);
    if (!resources.isDictionary()) {
        resources = QPDFObjectHandle::newDictionary();
        page.replaceKey("/Resources", resources);
    }
    auto xobjects = resources.getKey("/XObject");
    if (!xobjects.isDictionary()) {
        xobjects = QPDFObjectHandle::newDictionary();
        resources.replaceKey("/XObject", xobjects);
    } else if (xobjects.isIndirect()) {
        xobjects = xobjects.shallowCopy();
        resources.replaceKey("/XObject", xobjects);
    }
    auto existing = xobjects.getKey(image.name);
    if (existing.isInitialized() && !existing.isNull() &&
        existing.getObjGen() != image.xobject.getObjGen()) {
        return false;  // a foreign object already uses our name
    }
    xobjects.replaceKey(image.name, image.xobject);
    return true;
}

bool Composer::DrawImage(Document& doc, double left, double top, double width, double height) {
    const auto image = images_.find(selectedImage_);
    QPDFObjectHandle page;
    if (image == images_.end() || !CurrentPage(doc, page))
        return false;
    if (!Finite({left, top, width, height}))
        return false;
    if (!AddImageResource(page, image->second))
        return false;
    // The unit square of the image, its lower-left corner at (left, top +
    // height) of the viewer's space, mapped into the page's user space.
    const PageMap m = MapOf(page);
    const double bottom = top + height;
    const double cm[6] = {m.a * width,
                          m.b * width,
                          -m.c * height,
                          -m.d * height,
                          m.a * left + m.c * bottom + m.e,
                          m.b * left + m.d * bottom + m.f};
    std::string& ops = PendingFor(page);
    ops += "q ";
    for (double v : cm)
        ops += Num(v) + " ";
    ops += "cm " + image->second.name + " Do Q\n";
    return true;
}

bool Composer::SetLineColor(double red, double green, double blue) {
    if (!Finite({red, green, blue}))
        return false;
    const double rgb[3] = {red, green, blue};
    for (int i = 0; i < 3; ++i)
        stroke_[i] = std::clamp(rgb[i], 0.0, 255.0) / 255.0;
    return true;
}

bool Composer::DrawLine(Document& doc, double x1, double y1, double x2, double y2) {
    QPDFObjectHandle page;
    if (!CurrentPage(doc, page) || !Finite({x1, y1, x2, y2}))
        return false;
    const PageMap m = MapOf(page);
    double px1, py1, px2, py2;
    m.Apply(x1, y1, px1, py1);
    m.Apply(x2, y2, px2, py2);
    std::string& ops = PendingFor(page);
    ops += "q " + Num(stroke_[0]) + " " + Num(stroke_[1]) + " " + Num(stroke_[2]) + " RG " +
           Num(px1) + " " + Num(py1) + " m " + Num(px2) + " " + Num(py2) + " l S Q\n";
    return true;
}

void Composer::FlushPending(QPDF& pdf) {
    for (auto& [key, entry] : pending_) {
        auto& [page, ops] = entry;
        if (ops.empty())
            continue;
        auto contents = page.getKey("/Contents");
        if (!contents.isStream() && !contents.isArray()) {
            page.replaceKey("/Contents", pdf.newStream(ops));
        } else {
            // What the page drew before may leave the graphics state changed;
            // bracketing it keeps our coordinates and colours as given.
            auto array = QPDFObjectHandle::newArray();
            array.appendItem(pdf.newStream("q\n"));
            if (contents.isStream()) {
                array.appendItem(contents);
            } else {
                for (const auto& item : contents.aitems())
                    array.appendItem(item);
            }
            array.appendItem(pdf.newStream("\nQ\n" + ops));
            page.replaceKey("/Contents", array);
        }
        ops.clear();
    }
    pending_.clear();
}

bool Composer::Save(Document& doc, const std::string& path) {
    if (doc.Empty())
        return false;
    FlushPending(*doc.pdf);
    const std::size_t pages = QPDFPageDocumentHelper(*doc.pdf).getAllPages().size();
    ReplaceFileAtomically(
        path,
        [&](TempFile& file) {
            QPDFWriter writer(*doc.pdf);
            writer.setOutputPipeline(file.AsPipeline());
            // Image data is written exactly as embedded; only unfiltered
            // streams (page contents) get compressed.
            writer.setDecodeLevel(qpdf_dl_none);
            writer.setCompressStreams(true);
            writer.write();
        },
        // The file only replaces the previous one once it reads back whole.
        [&](const std::string& tempPath) { return StrictPageCount(tempPath, "") == pages; },
        Durability::kOnDisk);
    return true;
}

double Composer::CurrentPageHeight(const Document& doc) const {
    QPDFObjectHandle page;
    if (!CurrentPage(doc, page))
        return 0;
    return MapOf(page).viewHeight;
}

}  // namespace pdfax
