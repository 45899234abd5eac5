#include "facts/code_search.h"

namespace vellumark {

pdfax::CodeSearch InvoiceCodeSearch() {
    pdfax::CodeSearch search;
    search.minImageSide = 36;      // half an inch
    search.maxImageSide = 4 * 72;  // four inches; seals and logos that are square too do no harm
    search.squareTolerance = 0.2;
    search.regions = {{0, 0, 0.4, 1}};
    search.regionDpi = 100;
    // Only when that finds nothing: the whole page, wherever the code is
    // drawn and however the page is turned. At 150 dpi a dense code (a long
    // verification address, 1.2 points a module) still has modules of 2.5
    // pixels, and a page without any code costs a quarter of a 300 dpi read.
    search.harderRegions = {{0, 0, 1, 1}};
    search.harderDpi = 150;
    return search;
}

}  // namespace vellumark
