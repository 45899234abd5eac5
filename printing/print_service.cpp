#include "printing/print_service.h"

namespace vellumark {
namespace {

class LibraryPrintService final : public PrintService {
public:
    explicit LibraryPrintService(PdfLibrary& library) : library_(library) {}

    InstalledPrinters ListPrinters() override { return ListInstalledPrinters(); }
    MergedPages ReadPages(const std::string& mergedPdf) override {
        return ReadMergedPages(library_, mergedPdf);
    }
    std::string Send(const PrintRequest& request) override {
        return SendMergedFile(library_, request);
    }

private:
    PdfLibrary& library_;
};

}  // namespace

std::unique_ptr<PrintService> MakePrintService(PdfLibrary& library) {
    return std::make_unique<LibraryPrintService>(library);
}

}  // namespace vellumark
