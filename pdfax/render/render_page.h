// Rasterising one page to an image file.
//
// Rendering goes through Qt PDF (PDFium). It needs no QGuiApplication or
// platform plugin: QPdfDocument and QImage work in a plain process, with or
// without a QCoreApplication, so renderer processes need no display either.
// Text in fonts that are not embedded is drawn with the faces PDFium finds
// under /usr/share/fonts (fonts-arphic-* or fonts-noto-cjk for Chinese).
#pragma once

#include "render/code_reader.h"
#include "render/image_encode.h"

#include <pdfax/library.h>

#include <QImage>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <string>

namespace pdfax {

struct PixelSize {
    int width = 0;
    int height = 0;
};

// Renders `page` of `pdf` (read from `source`, named in failures) as it
// prints, print annotations and form fields included, at `dpi` onto white,
// and writes it to `output` as PNG or JPEG, whole or not at all. Returns its
// pixel size; throws a Failure saying why it cannot (an unknown format, a
// page too large, a page the renderer cannot draw, a write that fails).
PixelSize RenderPageToFile(QPDF& pdf, QPDFObjectHandle page, const std::string& source, int format,
                           double dpi, const std::string& output);

struct RenderedPage {
    PixelSize size;
    std::string code;  // the page's QR code when the job asked for it
};

// Renders `page` as RenderPageToFile does, with the job's format, dpi and
// output; a job of format kImageFormatNone writes nothing. With
// `job.readFacts` the bitmap is also searched for a QR code at `places`.
RenderedPage RenderPage(QPDF& pdf, QPDFObjectHandle page, const std::string& source,
                        const RenderJob& job, const CodePlaces& places = {});

// The stages of RenderPageToFile, for measuring them one by one.

// The bitmap size of `page` at `dpi`: the page as a viewer shows it, in
// pixels; 0 x 0 when it would be absurdly large or the input is unusable.
PixelSize RenderSize(QPDFObjectHandle page, double dpi);

// True when `page` has a usable size that is too large to render at `dpi`.
bool PageTooLarge(QPDFObjectHandle page, double dpi);

// A one-page PDF, in memory, holding `page` with every annotation that
// prints merged into its content. The source document is not changed.
std::string FlattenPageForRender(QPDF& pdf, QPDFObjectHandle page);

// Draws the single page of `pdfBytes` at exactly `size` as ARGB over
// transparency; a null image when the renderer cannot.
QImage RasteriseBitmap(const std::string& pdfBytes, PixelSize size);

// What of `bitmap` prints on white paper; empty for a null bitmap.
RgbImage CompositeOntoWhite(const QImage& bitmap);

}  // namespace pdfax
