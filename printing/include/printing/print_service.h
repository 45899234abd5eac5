// What the print window asks of the system: the printers, the merged file's
// pages and the job. Each can take long (the spooler answers over a socket,
// the file may be large), so the window calls them off its own thread, one
// call at a time, because the library behind them serves one thread at a time.
#pragma once

#include "printing/print_sequence.h"
#include "printing/printer_list.h"

#include <memory>
#include <string>

namespace vellumark {

class PrintService {
public:
    virtual ~PrintService() = default;
    virtual InstalledPrinters ListPrinters() = 0;
    virtual MergedPages ReadPages(const std::string& mergedPdf) = 0;
    // Empty when the spooler took the job, else why not (see SendMergedFile).
    virtual std::string Send(const PrintRequest& request) = 0;
};

// The system's spooler and `library`, which must outlive the service.
std::unique_ptr<PrintService> MakePrintService(PdfLibrary& library);

}  // namespace vellumark
