// Whether two objects of two PDF files are the same: the same structure, the
// same values and the same stream data, however the files number them.
#pragma once

#include <qpdf/QPDFObjectHandle.hh>

namespace pdfax {

// Follows references on both sides in step: an object of the first file
// must always meet the same object of the second. Stream data is compared as
// stored (after decryption, before its filters).
bool SameObjects(QPDFObjectHandle first, QPDFObjectHandle second);

}  // namespace pdfax
