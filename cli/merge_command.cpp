#include "commands.h"
#include "folder_listing.h"
#include "invoice_intake.h"
#include "layout_mode.h"
#include "output_target.h"
#include "program_setup.h"
#include "terminal_progress.h"

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
    return lines.toStdString() + "\n";
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
    const std::string output = arguments.output.value_or(state->OutputPdf());
    if (const std::string problem = OutputProblem(output); !problem.empty()) {
        ErrorLine(problem);
        return kExitFailed;
    }
    ProgramDirectoryLock lock(state->programDirectory);
    RemovePreviousOutput(state->OutputPdf(), state->TempImageFolder());
    InvoiceListModel rows;
    if (!TakeIn(*state, arguments, rows)) {
        ErrorLine(NoPdfFilesLine(arguments.folder));
        return kExitFailed;
    }
    TerminalProgress progress(rows);
    (void)mode;
    progress.Finish();
    ErrorLine("合并功能尚不可用");
    return kExitFailed;
}

}  // namespace vellumark::cli
