#include "render_page.h"

namespace pdfax {

bool RenderPageToFile(QPDF&, QPDFObjectHandle, int, double, const std::string&) { return false; }

}  // namespace pdfax
