// Turning PNG and JPEG files into PDF image objects, without re-encoding the
// compressed data wherever the PDF filters can carry it as it is.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <string>

namespace pdfax {

// Reads the file at `path` (platform bytes) and returns a new indirect image
// XObject in `pdf`, or a null handle when the file is not a complete,
// decodable PNG or JPEG.
//  - JPEG: the file's bytes as a DCTDecode stream.
//  - 8-bit grey or RGB PNG, not interlaced, without alpha or tRNS: its IDAT
//    data as a FlateDecode stream with the PNG predictor.
//  - any other PNG: decoded and compressed again without loss (16-bit depth
//    kept, alpha as a soft mask).
QPDFObjectHandle EmbedImageFile(QPDF& pdf, const std::string& path);

}  // namespace pdfax
