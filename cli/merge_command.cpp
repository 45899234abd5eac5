#include "commands.h"
#include "folder_listing.h"
#include "invoice_intake.h"
#include "layout_mode.h"
#include "merge_pipeline.h"
#include "output_target.h"
#include "print_job.h"
#include "program_setup.h"
#include "terminal_progress.h"

#include <unistd.h>

#include <algorithm>

namespace vellumark::cli {
namespace {

LayoutMode ModeNamed(const std::string& name) {
    const auto& names = LayoutNames();
    const auto at = std::find(names.begin(), names.end(), name);
    return LayoutModeAt(static_cast<int>(at - names.begin()));
}

// The window's report keeps its message-box line breaks; a terminal wants
// plain ones.
std::string TerminalLines(const QString& text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return lines.toStdString();
}

// Takes in the folder as the window does, or lists it untouched.
bool TakeIn(ProgramState& state, const Arguments& arguments, InvoiceListModel& rows) {
    if (arguments.noSplit) {
        return ListWithoutSplitting(state.pdfLibrary, arguments.folder, rows) > 0;
    }
    IntakeValues values;
    values.sourceFolder = arguments.folder;
    const BuildResult result = BuildInvoiceList(state.pdfLibrary, values, rows);
    state.sourceFolder = values.sourceFolder;
    state.foundFiles = values.foundFiles;
    state.splitTargetFolder = values.splitTargetFolder;
    return result == BuildResult::kListed && rows.rowCount() > 0;
}

// One line for every invoice that did not make it onto the sheets.
void ReportFailedInvoices(const InvoiceListModel& rows) {
    for (int row = 0; row < rows.rowCount(); ++row) {
        if (rows.Cell(row, kColumnProgress) != QStringLiteral("已完成")) {
            ErrorLine("未能合并的发票：" + rows.Path(row));
        }
    }
}

}  // namespace

int RunMerge(const Arguments& arguments) {
    if (const std::string problem = FolderProblem(arguments.folder); !problem.empty()) {
        ErrorLine(problem);
        return kExitBadArguments;
    }
    const LayoutMode mode = ModeNamed(arguments.layout);
    std::string error;
    auto state = CreateBatchState(error);
    if (!state) {
        ErrorLine(error);
        return kExitFailed;
    }
    // A job that cannot be printed is refused before the folder is split.
    if (arguments.print) {
        if (const std::string problem = PrinterProblem(arguments.print->printer);
            !problem.empty()) {
            ErrorLine(problem);
            return kExitBadArguments;
        }
    }
    const std::string output = arguments.output.value_or(state->OutputPdf());
    if (const std::string problem = OutputProblem(output); !problem.empty()) {
        ErrorLine(problem);
        return kExitFailed;
    }
    // The window program keeps a merge's images in its program directory;
    // one that cannot be written would only end in the general failure.
    if (access(state->programDirectory.c_str(), W_OK | X_OK) != 0) {
        ErrorLine("无法写入程序目录（存放临时图片）：" + state->programDirectory);
        return kExitFailed;
    }
    // One batch run at a time may use those images.
    ProgramDirectoryLock lock(state->programDirectory);
    RemovePreviousOutput(state->OutputPdf(), state->TempImageFolder());
    InvoiceListModel rows;
    if (!TakeIn(*state, arguments, rows)) {
        ErrorLine(NoPdfFilesLine(arguments.folder));
        return kExitFailed;
    }

    TerminalProgress progress(rows.rowCount());
    const MergeSettings settings{state->TempImageFolder(), output};
    const MergeOutcome outcome = MergeInvoices(state->pdfLibrary, settings, mode, rows,
                                               [&progress](int row) { progress.Rendered(row); });
    progress.Finish();
    ReportFailedInvoices(rows);
    if (outcome.status != MergeStatus::kSaved) {
        ErrorLine(TerminalLines(outcome.report));
        return kExitFailed;
    }
    Print(TerminalLines(outcome.report) + "\n");
    Print("已保存：" + output + "\n");

    const LayoutModeParameters& parameters = ParametersOf(mode);
    state->printOrientation = parameters.printOrientation;
    state->printPaperLength = parameters.printPaperLength;
    if (!arguments.print)
        return kExitSuccess;
    return PrintMerged(*state, output, *arguments.print);
}

}  // namespace vellumark::cli
