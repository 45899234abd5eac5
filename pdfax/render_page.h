// Rasterising one page to an image file.
//
// Rendering goes through Qt PDF (PDFium). It needs no QGuiApplication or
// platform plugin: QPdfDocument and QImage work in a plain process, with or
// without a QCoreApplication, so the module serves a command-line tool too.
// Text in fonts that are not embedded is drawn with the faces fontconfig
// finds (fonts-noto-cjk or fonts-arphic-* for Chinese).
#pragma once

#include "image_encode.h"

#include <QImage>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <string>

namespace pdfax {

enum ImageFormat : int { kFormatJpeg = 1, kFormatPng = 5 };

// Renders `page` of `pdf` as it prints (print annotations and form fields
// included) at `dpi` onto white and writes it to `output` as PNG or JPEG,
// whole or not at all. Returns false, writing nothing, for unknown formats,
// absurd sizes and pages the renderer cannot draw.
bool RenderPageToFile(QPDF& pdf, QPDFObjectHandle page, int format, double dpi,
                      const std::string& output);

// The halves of RenderPageToFile, so that everything but the drawing itself
// can overlap the next page's rendering.

// The page as the renderer draws it: ARGB over transparency, or a null image
// for unknown formats, absurd sizes and pages the renderer cannot draw.
QImage RenderPageBitmap(QPDF& pdf, QPDFObjectHandle page, int format, double dpi);

// What of `bitmap` prints on white paper; empty for a null bitmap.
RgbImage CompositeOntoWhite(const QImage& bitmap);

// RenderPageBitmap put onto white.
RgbImage RenderPageImage(QPDF& pdf, QPDFObjectHandle page, int format, double dpi);

// Encodes `image` as `format` and replaces `output` with it atomically;
// false, writing nothing, when either fails.
bool WriteImageFile(const RgbImage& image, int format, const std::string& output);

// CompositeOntoWhite, then WriteImageFile; throws a Failure when it cannot.
void WriteBitmapFile(const QImage& bitmap, int format, const std::string& output);

// The stages of RenderPageImage, for measuring them one by one.

// The bitmap size of `page` at `dpi`: the page as a viewer shows it, in
// pixels; 0 x 0 when it would be absurdly large or the input is unusable.
struct PixelSize {
    int width = 0;
    int height = 0;
};
PixelSize RenderSize(QPDFObjectHandle page, double dpi);

// True when `page` has a usable size that is too large to render at `dpi`.
bool PageTooLarge(QPDFObjectHandle page, double dpi);

// A one-page PDF, in memory, holding `page` with every annotation that
// prints merged into its content. The source document is not changed.
std::string FlattenPageForRender(QPDF& pdf, QPDFObjectHandle page);

// Draws the single page of `pdfBytes` at exactly `size`; a null image when
// the renderer cannot.
QImage RasteriseBitmap(const std::string& pdfBytes, PixelSize size);

// RasteriseBitmap put onto white; an empty image when the renderer cannot.
RgbImage RasterisePage(const std::string& pdfBytes, PixelSize size);

}  // namespace pdfax
