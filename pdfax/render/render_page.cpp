#include "render/render_page.h"

#include "base/atomic_file.h"
#include "base/failure.h"
#include "pdf/open_pdf.h"
#include "pdf/page_geometry.h"
#include "render/code_reader.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QPdfDocument>

#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace pdfax {
namespace {

constexpr int kMaxSide = 20000;
constexpr double kMaxBitmapBytes = 500.0 * 1024 * 1024;

// A value of the source document made usable in `out`: indirect objects are
// copied across, direct containers rebuilt around copied members.
QPDFObjectHandle CopyInto(QPDF& out, QPDFObjectHandle value) {
    if (value.isIndirect())
        return out.copyForeignObject(value);
    if (value.isDictionary()) {
        auto copy = QPDFObjectHandle::newDictionary();
        for (const auto& key : value.getKeys())
            copy.replaceKey(key, CopyInto(out, value.getKey(key)));
        return copy;
    }
    if (value.isArray()) {
        auto copy = QPDFObjectHandle::newArray();
        for (const auto& item : value.aitems())
            copy.appendItem(CopyInto(out, item));
        return copy;
    }
    return value.shallowCopy();
}

// The form-wide settings that appearance generation reads.
void CopyFormSettings(QPDF& source, QPDF& out) {
    auto from = source.getRoot().getKey("/AcroForm");
    auto to = out.getRoot().getKey("/AcroForm");
    if (!from.isDictionary() || !to.isDictionary())
        return;
    for (const char* key : {"/NeedAppearances", "/DA", "/DR", "/Q"}) {
        if (from.hasKey(key) && !to.hasKey(key))
            to.replaceKey(key, CopyInto(out, from.getKey(key)));
    }
}

// src over opaque white, rounded to nearest: what prints of a pixel the
// renderer left partly transparent.
inline std::uint8_t OverWhite(unsigned channel, unsigned alpha) {
    return static_cast<std::uint8_t>((channel * alpha + 255 * (255 - alpha) + 127) / 255);
}

// Premultiplied ink over white is the ink plus the paper its coverage
// leaves showing: one sum for opaque ink, bare paper and all between, so
// the row needs no branch (clamped, for channels above their alpha).
inline std::uint8_t PremultipliedOverWhite(unsigned channel, unsigned alpha) {
    return static_cast<std::uint8_t>(std::min(255u, channel + 255 - alpha));
}

}  // namespace

PixelSize RenderSize(QPDFObjectHandle page, double dpi) {
    if (!std::isfinite(dpi) || dpi <= 0)
        return {};
    const PageSize points = ViewerPageSize(page);
    const double w = std::round(points.width * dpi / 72.0);
    const double h = std::round(points.height * dpi / 72.0);
    if (!(w >= 1 && h >= 1 && w <= kMaxSide && h <= kMaxSide))
        return {};
    if (w * h * 4 > kMaxBitmapBytes)
        return {};
    return {static_cast<int>(w), static_cast<int>(h)};
}

bool PageTooLarge(QPDFObjectHandle page, double dpi) {
    if (!std::isfinite(dpi) || dpi <= 0)
        return false;
    const PageSize points = ViewerPageSize(page);
    return points.width > 0 && points.height > 0 && RenderSize(page, dpi).width == 0;
}

std::string FlattenPageForRender(QPDF& pdf, QPDFObjectHandle page) {
    auto quiet = NewQuietPdf();
    QPDF& out = *quiet;
    out.emptyPDF();
    QPDFPageDocumentHelper outPages(out);
    outPages.addPage(QPDFPageObjectHelper(page), false);
    auto copy = outPages.getAllPages().at(0);
    // Attributes the page inherits from its page tree do not travel with it.
    QPDFPageObjectHelper source(page);
    for (const char* key : {"/MediaBox", "/CropBox", "/Rotate", "/Resources"}) {
        if (copy.getObjectHandle().hasKey(key))
            continue;
        auto inherited = source.getAttribute(key, false);
        if (!inherited.isNull())
            copy.getObjectHandle().replaceKey(key, CopyInto(out, inherited));
    }
    // Widget annotations (form fields, signature seals) are not drawn by
    // PDFium here, so everything that prints goes into the page content.
    if (page.getKey("/Annots").isArray()) {
        QPDFAcroFormDocumentHelper sourceForm(pdf);
        QPDFAcroFormDocumentHelper(out).fixCopiedAnnotations(copy.getObjectHandle(), page,
                                                             sourceForm);
        CopyFormSettings(pdf, out);
        QPDFAcroFormDocumentHelper(out).generateAppearancesIfNeeded();
        outPages.flattenAnnotations(an_print);
    }
    QPDFWriter writer(out);
    writer.setOutputMemory();
    writer.setDecodeLevel(qpdf_dl_none);
    writer.setCompressStreams(false);
    writer.write();
    auto buffer = writer.getBufferSharedPointer();
    return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
}

namespace {

// The renderer's two ARGB layouts as they are; anything else converted.
QImage AsArgb(const QImage& bitmap) {
    if (bitmap.format() == QImage::Format_ARGB32 ||
        bitmap.format() == QImage::Format_ARGB32_Premultiplied)
        return bitmap;
    return bitmap.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void CompositeRowOntoWhite(const QImage& argb, int y, std::uint8_t* dst) {
    const auto* src = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    const int width = argb.width();
    if (argb.format() == QImage::Format_ARGB32_Premultiplied) {
        for (int x = 0; x < width; ++x, dst += 3) {
            const QRgb p = src[x];
            const unsigned a = qAlpha(p);
            dst[0] = PremultipliedOverWhite(qRed(p), a);
            dst[1] = PremultipliedOverWhite(qGreen(p), a);
            dst[2] = PremultipliedOverWhite(qBlue(p), a);
        }
        return;
    }
    for (int x = 0; x < width; ++x, dst += 3) {
        const QRgb p = src[x];
        const unsigned a = qAlpha(p);
        // Rendered pages are almost all opaque ink or untouched paper;
        // those two need no arithmetic.
        if (a == 255) {
            dst[0] = static_cast<std::uint8_t>(qRed(p));
            dst[1] = static_cast<std::uint8_t>(qGreen(p));
            dst[2] = static_cast<std::uint8_t>(qBlue(p));
        } else if (a == 0) {
            dst[0] = dst[1] = dst[2] = 255;
        } else {
            dst[0] = OverWhite(qRed(p), a);
            dst[1] = OverWhite(qGreen(p), a);
            dst[2] = OverWhite(qBlue(p), a);
        }
    }
}

// Writes `bitmap` on white to `output` as PNG or JPEG, whole or not at all.
void WriteImage(const QImage& bitmap, int format, const std::string& output) {
    // Rows are put onto white as the encoder asks for them, so the page never
    // exists whole in RGB besides its bitmap.
    const QImage argb = AsArgb(bitmap);
    const RgbRows rows = [&argb](int y, std::uint8_t* out) { CompositeRowOntoWhite(argb, y, out); };
    const std::string bytes = format == kImageFormatPng
                                  ? EncodePngRows(argb.width(), argb.height(), rows)
                                  : EncodeJpegRows(argb.width(), argb.height(), rows);
    if (bytes.empty())
        throw Failure(Problem::kFailed, output, "the image could not be encoded");
    // A rendered page can always be rendered again, so its image is not
    // waited for on the disk; readers still only ever see it whole.
    ReplaceFileAtomically(
        output, [&](TempFile& file) { file.Write(bytes.data(), bytes.size()); }, {},
        Durability::kWholeOnly);
}

}  // namespace

RgbImage CompositeOntoWhite(const QImage& bitmap) {
    if (bitmap.isNull())
        return {};
    const QImage argb = AsArgb(bitmap);
    RgbImage out;
    out.width = argb.width();
    out.height = argb.height();
    out.pixels.resize(std::size_t(out.width) * out.height * 3);
    for (int y = 0; y < out.height; ++y)
        CompositeRowOntoWhite(argb, y, out.pixels.data() + std::size_t(out.width) * 3 * y);
    return out;
}

QImage RasteriseBitmap(const std::string& pdfBytes, PixelSize size) {
    if (size.width <= 0 || size.height <= 0)
        return {};
    QByteArray data = QByteArray::fromRawData(pdfBytes.data(), qsizetype(pdfBytes.size()));
    QBuffer buffer(&data);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    // A fresh document per page: a reused QPdfDocument keeps state of the last one.
    QPdfDocument document;
    document.load(&buffer);
    if (document.status() != QPdfDocument::Status::Ready || document.pageCount() != 1)
        return {};
    QImage rendered = document.render(0, QSize(size.width, size.height));
    if (rendered.isNull() || rendered.width() != size.width || rendered.height() != size.height)
        return {};
    return rendered;
}

RenderedPage RenderPage(QPDF& pdf, QPDFObjectHandle page, const std::string& source,
                        const RenderJob& job, const CodePlaces& places) {
    const bool writes = job.format != kImageFormatNone;
    if (writes && job.format != kImageFormatPng && job.format != kImageFormatJpeg)
        throw Failure(Problem::kFailed, job.output, "unknown image format");
    if (!page.isDictionary())
        throw Failure(Problem::kDamaged, source, "no such page");
    if (PageTooLarge(page, job.dpi))
        throw Failure(Problem::kTooLarge, source, "the page is too large to render");
    RenderedPage rendered;
    rendered.size = RenderSize(page, job.dpi);
    const QImage bitmap = RasteriseBitmap(FlattenPageForRender(pdf, page), rendered.size);
    if (bitmap.isNull())
        throw Failure(Problem::kDamaged, source, "the renderer cannot draw the page");
    if (job.readFacts)
        rendered.code = ReadQrCode(bitmap, job.dpi, places);
    if (writes)
        WriteImage(bitmap, job.format, job.output);
    return rendered;
}

PixelSize RenderPageToFile(QPDF& pdf, QPDFObjectHandle page, const std::string& source, int format,
                           double dpi, const std::string& output) {
    RenderJob job;
    job.format = format;
    job.dpi = dpi;
    job.output = output;
    return RenderPage(pdf, page, source, job).size;
}

}  // namespace pdfax
