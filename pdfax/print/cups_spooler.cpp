#include "print/cups_spooler.h"

#include "base/failure.h"

#include <cups/cups.h>

#include <cstdio>
#include <memory>

namespace pdfax {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

struct OptionList {
    int count = 0;
    cups_option_t* options = nullptr;
    ~OptionList() { cupsFreeOptions(count, options); }
};

}  // namespace

namespace {

// The spooler's own words for why it refused the last request.
[[noreturn]] void FailWithSpoolerReason(const std::string& printer) {
    const char* reason = cupsLastErrorString();
    throw Failure(Problem::kSpooler, printer, reason && *reason ? reason : "refused");
}

}  // namespace

int CupsSpooler::Submit(const PrintJob& job) {
    if (job.printer.empty())
        return 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(job.documentPath.c_str(), "rb"));
    if (!file)
        FailWithErrno(job.documentPath, "open for printing");

    OptionList list;
    for (const auto& [name, value] : job.options)
        list.count = cupsAddOption(name.c_str(), value.c_str(), list.count, &list.options);

    const int jobId = cupsCreateJob(CUPS_HTTP_DEFAULT, job.printer.c_str(), job.title.c_str(),
                                    list.count, list.options);
    if (jobId <= 0)
        FailWithSpoolerReason(job.printer);
    // The document goes as PDF, so the spooler does not have to guess its type.
    if (cupsStartDocument(CUPS_HTTP_DEFAULT, job.printer.c_str(), jobId, job.title.c_str(),
                          CUPS_FORMAT_PDF, 1) != HTTP_STATUS_CONTINUE) {
        const Failure failure(Problem::kSpooler, job.printer, cupsLastErrorString());
        cupsCancelJob2(CUPS_HTTP_DEFAULT, job.printer.c_str(), jobId, 0);
        throw failure;
    }
    char buffer[65536];
    size_t read = 0;
    bool written = true;
    while (written && (read = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        written = cupsWriteRequestData(CUPS_HTTP_DEFAULT, buffer, read) == HTTP_STATUS_CONTINUE;
    if (std::ferror(file.get()))
        written = false;
    const ipp_status_t finished = cupsFinishDocument(CUPS_HTTP_DEFAULT, job.printer.c_str());
    if (!written || finished > IPP_STATUS_OK_CONFLICTING) {
        const Failure failure(Problem::kSpooler, job.printer, cupsLastErrorString());
        // A half-sent document must not print.
        cupsCancelJob2(CUPS_HTTP_DEFAULT, job.printer.c_str(), jobId, 0);
        throw failure;
    }
    return jobId;
}

std::unique_ptr<Spooler> MakeSystemSpooler() {
    return std::make_unique<CupsSpooler>();
}

}  // namespace pdfax
