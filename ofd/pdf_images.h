// Images of OFD pages as PDF image objects. JPEG and JBIG2 data go through
// as they are, for PDF readers decode both; other formats are decoded with
// Qt and written as compressed pixels, with their alpha as a soft mask.
#pragma once

#include <qpdf/QPDF.hh>

#include <string>
#include <variant>

#include "ofd/ofd.h"

namespace ofd {

// `bytes` is the image file, `entry` names it in errors.
std::variant<QPDFObjectHandle, Error> MakeImage(QPDF& pdf, const std::string& bytes,
                                                const std::string& entry);

}  // namespace ofd
