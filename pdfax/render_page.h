// Rasterising one page to an image file.
#pragma once

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

}  // namespace pdfax
