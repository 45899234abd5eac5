#include "printing/print_sequence.h"

#include "pdflib/pdf_library.h"

namespace vellumark {

int LoadMergedPageCount(PdfLibrary& library, const std::string& mergedPdf) {
    library.LoadFromFile(mergedPdf, "");
    return library.PageCount();
}

int PrintMergedFile(PdfLibrary& library, const PrintRequest& request) {
    const std::string custom = library.NewCustomPrinter(request.printerName);
    library.SetPDFiumRenderFlags(kRenderForPrinting);
    struct Setting {
        int setting;
        int value;
    };
    const Setting settings[] = {
        {1, 0},                      // paper size: given by length and width
        {2, request.paperLengthMm},  // paper length
        {3, kPaperWidthMm},          // paper width
        {4, request.copies},         // copies
        {5, 1},                      // print quality: high
        {7, 1},                      // duplex: one-sided
        {10, 1},                     // media type: standard paper
        {11, request.orientation},   // orientation
    };
    // Results are not examined: a refused setting is simply not part of the job.
    for (const Setting& s : settings)
        library.SetupCustomPrinter(custom, s.setting, s.value);
    return library.PrintDocument(custom, request.firstPage, request.lastPage, 0);
}

}  // namespace vellumark
