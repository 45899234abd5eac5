#include "printing/print_sequence.h"

#include "pdflib/pdf_library.h"
#include "pdflib/problem_text.h"

namespace vellumark {

int LoadMergedPageCount(PdfLibrary& library, const std::string& mergedPdf) {
    library.LoadFromFile(mergedPdf, "");
    return library.PageCount();
}

MergedPages ReadMergedPages(PdfLibrary& library, const std::string& mergedPdf) {
    MergedPages pages;
    // The reason is the load's: the page count only knows there is no document.
    if (library.LoadFromFile(mergedPdf, "") == 0) {
        pages.problem = ProblemText(library.LastError());
    } else if ((pages.count = library.PageCount()) <= 0) {
        pages.count = 0;
        pages.problem = "文件中没有页面";
    }
    if (pages.count == 0 && pages.problem.empty())
        pages.problem = "处理失败";
    return pages;
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

std::string SendMergedFile(PdfLibrary& library, const PrintRequest& request) {
    if (PrintMergedFile(library, request) != 0)
        return {};
    const std::string reason = ProblemText(library.LastError());
    return reason.empty() ? "处理失败" : reason;
}

}  // namespace vellumark
