#include "commands.h"
#include "core/printed_ledger.h"
#include "facts/listing.h"
#include "facts/package_facts.h"
#include "facts/page_facts.h"
#include "intake/invoice_intake.h"
#include "layout/ready_images.h"
#include "program_setup.h"

#include <sys/stat.h>

#include <cstdio>

namespace vellumark::cli {

void ErrorLine(const std::string& text) {
    const std::string line = "vellumark-cli: " + text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

void Print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

std::string FolderProblem(const std::string& folder) {
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0)
        return "文件夹不存在：" + folder;
    if (!S_ISDIR(st.st_mode))
        return "不是文件夹：" + folder + "（请给出包含.pdf文件的文件夹）";
    return {};
}

std::string NoPdfFilesLine(const std::string& folder) {
    return "文件夹中没有.pdf文件，请选择包含.pdf文件的文件夹：" + folder;
}

int RunList(const Arguments& arguments) {
    if (const std::string problem = FolderProblem(arguments.folder); !problem.empty()) {
        ErrorLine(problem);
        return kExitBadArguments;
    }
    std::string error;
    auto state = CreateBatchState(error);
    if (!state) {
        ErrorLine(error);
        return kExitFailed;
    }
    InvoiceRows rows;
    IntakeReport report;
    if (ListFolder(state->pdfLibrary, arguments.folder, rows, nullptr, &report) == 0) {
        ErrorLine(NoPdfFilesLine(arguments.folder));
        return kExitFailed;
    }
    std::vector<InvoiceFacts> facts =
        ReadFacts(state->pdfLibrary, ReadingJobs(rows, kFactsRenderDpi), {}, nullptr);
    AddPackageData(rows, facts);
    Listing listing = BuildListing(rows, facts);
    // The ledger only adds a column: one that cannot be asked is said and
    // the listing goes on without it.
    if (const std::string problem = MarkPrintedBefore(listing, arguments.ledger); !problem.empty())
        ErrorLine("未能查阅台账：" + problem);
    Print(FormatListing(listing, arguments.format));
    for (const auto& problem : report.unreadable)
        ErrorLine("无法读取：" + problem.path + "：" + problem.reason);
    return kExitSuccess;
}

}  // namespace vellumark::cli
