#include "extract_pages.h"

namespace pdfax {

bool ExtractPages(const std::string&, const std::string&, const std::string&, const std::string&) {
    return false;
}

}  // namespace pdfax
