// The library calls behind the print window: the page count of the merged
// file and the print job with the layout's paper settings.
#pragma once

#include <string>

namespace vellumark {

class PdfLibrary;

// Makes `mergedPdf` the library's current document and returns its page
// count (0 when it cannot be read).
int LoadMergedPageCount(PdfLibrary& library, const std::string& mergedPdf);

// The merged file's page count, or why it has no pages to print.
struct MergedPages {
    int count = 0;
    std::string problem;  // the reason in the user's words (UTF-8); empty when count > 0
};
MergedPages ReadMergedPages(PdfLibrary& library, const std::string& mergedPdf);

struct PrintRequest {
    std::string printerName;
    int copies = 1;
    int firstPage = 1;
    int lastPage = 1;
    int paperLengthMm = 297;  // 297 after an A4 layout, 148 after A5
    int orientation = 1;      // 1 portrait, 2 landscape
};

inline constexpr int kPaperWidthMm = 210;

// Prints the library's current document: a custom printer for the chosen
// printer, the eight paper settings (a value the library refuses is left
// out), then the pages. Returns what PrintDocument returned.
int PrintMergedFile(PdfLibrary& library, const PrintRequest& request);

// PrintMergedFile, answering why the job did not go: empty when the spooler
// took it, else the reason in the user's words (UTF-8), which after a
// refusal ends with the spooler's own.
std::string SendMergedFile(PdfLibrary& library, const PrintRequest& request);

}  // namespace vellumark
