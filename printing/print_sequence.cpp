#include "printing/print_sequence.h"

#include "pdflib/pdf_library.h"

namespace vellumark {

int LoadMergedPageCount(PdfLibrary& library, const std::string& mergedPdf) {
    library.LoadFromFile(mergedPdf, "");
    return library.PageCount();
}

int PrintMergedFile(PdfLibrary& library, const PrintRequest& request) {
    const std::string custom = library.NewCustomPrinter(request.printerName);
    library.SetPDFiumRenderFlags(pdfax::kRenderForPrinting);
    struct Setting {
        pdfax::PrinterSetting setting;
        int value;
    };
    const Setting settings[] = {
        {pdfax::kPaperSize, 0},  // given by length and width
        {pdfax::kPaperLength, request.paperLengthMm},
        {pdfax::kPaperWidth, kPaperWidthMm},
        {pdfax::kCopies, request.copies},
        {pdfax::kQuality, 1},    // high
        {pdfax::kDuplex, 1},     // one-sided
        {pdfax::kMediaType, 1},  // standard paper
        {pdfax::kOrientation, request.orientation},
    };
    // Results are not examined: a refused setting is simply not part of the job.
    for (const Setting& s : settings)
        library.SetupCustomPrinter(custom, s.setting, s.value);
    return library.PrintDocument(custom, request.firstPage, request.lastPage, 0);
}

}  // namespace vellumark
