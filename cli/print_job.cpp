#include "print_job.h"

#include "commands.h"
#include "pdflib/problem_text.h"
#include "printing/print_sequence.h"
#include "printing/printer_list.h"

#include <algorithm>

namespace vellumark::cli {

std::string PrinterProblem(const std::string& printer) {
    const InstalledPrinters printers = ListInstalledPrinters();
    if (std::find(printers.names.begin(), printers.names.end(), printer) != printers.names.end()) {
        return {};
    }
    // A spooler that cannot be asked is not a system without printers.
    if (!printers.problem.empty())
        return "未知的打印机：" + printer + "（" + printers.problem + "）";
    std::string known;
    for (const auto& name : printers.names)
        known += (known.empty() ? "" : "、") + name;
    return "未知的打印机：" + printer +
           (known.empty() ? std::string("（没有已安装的打印机）") : "（已安装：" + known + "）");
}

int PrintMerged(ProgramState& state, const std::string& mergedPdf, const PrintChoice& choice) {
    state.mergedPageCount = LoadMergedPageCount(state.pdfLibrary, mergedPdf);
    const int pages = state.mergedPageCount;
    if (pages <= 0) {
        ErrorLine("未打印：无法读取合并后的文件 " + mergedPdf);
        return kExitFailed;
    }
    PrintRequest request;
    request.printerName = choice.printer;
    request.copies = choice.copies;
    request.firstPage = choice.firstPage > 0 ? choice.firstPage : 1;
    request.lastPage = choice.lastPage > 0 ? choice.lastPage : pages;
    request.paperLengthMm = state.printPaperLength;
    request.orientation = state.printOrientation;
    // A range past the end would print less than was asked for, silently.
    if (request.lastPage > pages) {
        ErrorLine("未打印：--pages " + std::to_string(request.firstPage) + "-" +
                  std::to_string(request.lastPage) + " 超出合并后文件的页数（共 " +
                  std::to_string(pages) + " 页）");
        return kExitFailed;
    }
    const std::string what = choice.printer + "，第 " + std::to_string(request.firstPage) + "-" +
                             std::to_string(request.lastPage) + " 页，" +
                             std::to_string(request.copies) + " 份";
    if (PrintMergedFile(state.pdfLibrary, request) == 0) {
        ErrorLine("打印失败：" + what + "：" + ProblemText(state.pdfLibrary.LastError()));
        return kExitFailed;
    }
    Print("已提交打印：" + what + "\n");
    return kExitSuccess;
}

}  // namespace vellumark::cli
