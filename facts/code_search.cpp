#include "facts/code_search.h"

namespace vellumark {

pdfax::CodeSearch InvoiceCodeSearch() {
    pdfax::CodeSearch search;
    search.minImageSide = 36;      // half an inch
    search.maxImageSide = 4 * 72;  // four inches; seals and logos that are square too do no harm
    search.squareTolerance = 0.2;
    search.regions = {{0, 0, 0.4, 1}};
    search.regionDpi = 100;
    // Only when that finds nothing: the whole page at the render's own
    // resolution, where a dense code (a long verification address) still has
    // modules of several pixels, wherever it is drawn and however turned.
    search.harderRegions = {{0, 0, 1, 1}};
    search.harderDpi = 0;
    return search;
}

}  // namespace vellumark
