#include "commands.h"
#include "facts/code_search.h"
#include "facts/listing.h"
#include "facts/package_facts.h"
#include "facts/page_facts.h"
#include "intake/folder_ops.h"
#include "intake/invoice_intake.h"
#include "layout/layout_mode.h"
#include "layout/merge_pipeline.h"
#include "merge_ledger.h"
#include "output_target.h"
#include "print_job.h"
#include "program_setup.h"
#include "terminal_progress.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>

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

void ProblemLine(const std::string& what, const FileProblem& problem) {
    ErrorLine(what + problem.path + "：" + problem.reason);
}

// The file a row stands for, as the user reads it: an OFD page of a package
// of several pages is named as listed, "NAME.ofd(第2页)".
std::string ShownFile(const ListedInvoice& row) {
    if (row.format != InvoiceFormat::kOfd)
        return row.path;
    const std::size_t slash = row.path.find_last_of('/');
    return (slash == std::string::npos ? "" : row.path.substr(0, slash + 1)) + row.name;
}

const ListedInvoice& RowOfOrder(const Listing& listing, int order) {
    return *std::find_if(listing.rows.begin(), listing.rows.end(),
                         [order](const ListedInvoice& row) { return row.order == order; });
}

// Names each OFD page left off because its invoice goes onto the sheets
// from the PDF, whatever the choice about repeats.
std::vector<bool> NameOtherFormats(const Listing& listing) {
    const std::vector<bool> fromPdf = PlacedFromPdf(listing);
    for (std::size_t row = 0; row < listing.rows.size(); ++row) {
        if (!fromPdf[row])
            continue;
        const ListedInvoice& page = listing.rows[row];
        const ListedInvoice& first =
            page.continuationOf > 0 ? RowOfOrder(listing, page.continuationOf) : page;
        const ListedInvoice& pdf = RowOfOrder(listing, first.otherFormatOf);
        ErrorLine("同一张发票（另一种格式）：" + ShownFile(page) + " 与 " + pdf.path +
                  "（发票号码 " + first.facts.Get(kFactNumber) + "），只合并 PDF");
    }
    return fromPdf;
}

// Names every invoice that is in the pile twice, by file and number, and
// places each once when asked to; the OFD of an invoice whose PDF is there
// is always left off.
RowChoice DuplicateChoice(const InvoiceRows& rows, bool skipDuplicates, MergeLedger& book) {
    auto facts =
        std::make_shared<std::vector<InvoiceFacts>>(static_cast<std::size_t>(rows.rowCount()));
    RowChoice choice;
    choice.codes = InvoiceCodeSearch();
    choice.read = [&rows, facts](int row, const pdfax::RenderedImage& render) {
        (*facts)[static_cast<std::size_t>(row)] = WithPackageData(rows, row, FactsOfRender(render));
    };
    choice.place = [&rows, skipDuplicates, facts, &book] {
        const Listing listing = BuildListing(rows, *facts);
        const std::vector<bool> fromPdf = NameOtherFormats(listing);
        std::vector<bool> placed(facts->size(), true);
        for (std::size_t row = 0; row < listing.rows.size(); ++row) {
            const ListedInvoice& invoice = listing.rows[row];
            if (fromPdf[row] || invoice.duplicateOf == 0)
                continue;
            const ListedInvoice& first = RowOfOrder(listing, invoice.duplicateOf);
            const std::string number = invoice.facts.Get(kFactNumber);
            ErrorLine("重复的发票：" + invoice.path + " 与 " + first.path + " 是同一张发票（" +
                      (number.empty() ? std::string("文件内容相同") : "发票号码 " + number) + "）" +
                      (skipDuplicates ? "，只合并一次" : ""));
            placed[row] = !skipDuplicates;
        }
        book.Check(listing, placed);
        std::vector<RowPlace> places;
        for (std::size_t row = 0; row < placed.size(); ++row) {
            places.push_back(row < fromPdf.size() && fromPdf[row] ? RowPlace::kOtherFormat
                             : placed[row]                        ? RowPlace::kOnSheets
                                                                  : RowPlace::kSkipped);
        }
        return places;
    };
    return choice;
}

// Takes in the folder as the window does, or lists it untouched.
bool TakeIn(ProgramState& state, const Arguments& arguments, InvoiceRows& rows,
            TerminalProgress& progress) {
    IntakeReport report;
    if (arguments.noSplit) {
        ListFolder(state.pdfLibrary, arguments.folder, rows, nullptr, &report);
    } else {
        IntakeValues values;
        values.sourceFolder = arguments.folder;
        IntakeHooks hooks;
        hooks.progress = [&progress](const std::string& source, int page, int pages) {
            progress.Splitting(source, page, pages);
        };
        const BuildResult result = BuildInvoiceList(state.pdfLibrary, values, rows, &report, hooks);
        progress.Finish();
        state.sourceFolder = values.sourceFolder;
        if (result != BuildResult::kListed)
            return false;
    }
    for (const auto& source : report.resumed)
        ErrorLine("已完成上次中断的拆分：" + source);
    if (report.staleTempFiles > 0) {
        ErrorLine("已删除上次中断时留下的临时文件 " + std::to_string(report.staleTempFiles) +
                  " 个");
    }
    return rows.rowCount() > 0;
}

// Refusals that come before anything in the invoice folder is touched.
int CheckRequest(const Arguments& arguments, const std::string& output) {
    if (const std::string problem = FolderProblem(arguments.folder); !problem.empty()) {
        ErrorLine(problem);
        return kExitBadArguments;
    }
    if (const std::string problem = OutputOverwritesInvoice(output, arguments.folder);
        !problem.empty()) {
        ErrorLine(problem);
        return kExitBadArguments;
    }
    // A job that cannot be printed is refused before the folder is split.
    if (arguments.print) {
        if (const std::string problem = PrinterProblem(arguments.print->printer);
            !problem.empty()) {
            ErrorLine(problem);
            return kExitBadArguments;
        }
    }
    if (const std::string problem = OutputProblem(output); !problem.empty()) {
        ErrorLine(problem);
        return kExitFailed;
    }
    return kExitSuccess;
}

// Says what did not go onto the sheets, and how the merge ended.
int ReportMerge(const MergeOutcome& outcome, const std::string& output) {
    for (const auto& problem : outcome.leftOut)
        ProblemLine("未能完整合并：", problem);
    for (const auto& problem : outcome.shownWithout)
        ProblemLine("已合并，但有内容未能显示：", problem);
    if (outcome.status != MergeStatus::kSaved) {
        ErrorLine(TerminalLines(outcome.report));
        if (!outcome.failure.path.empty())
            ProblemLine("原因：", outcome.failure);
        return kExitFailed;
    }
    Print(TerminalLines(outcome.report) + "\n");
    Print("已保存：" + output + "\n");
    return outcome.leftOut.empty() ? kExitSuccess : kExitIncomplete;
}

}  // namespace

int RunMerge(const Arguments& arguments) {
    std::string error;
    auto state = CreateBatchState(error);
    if (!state) {
        ErrorLine(error);
        return kExitFailed;
    }
    const std::string output = arguments.output.value_or(state->OutputPdf());
    if (const int refused = CheckRequest(arguments, output); refused != kExitSuccess)
        return refused;
    // A folder for the images that cannot be written would only end in the
    // general failure.
    if (access(state->ImageDirectory().c_str(), W_OK | X_OK) != 0) {
        ErrorLine((state->inUserFolders ? "无法写入临时图片目录："
                                        : "无法写入程序目录（存放临时图片）：") +
                  state->ImageDirectory());
        return kExitFailed;
    }
    std::vector<std::string> folders = state->WorkFolders();
    folders.insert(folders.begin(), arguments.folder);
    const FolderLocks locks = WaitForFolders(folders);
    RemovePreviousOutput(state->OutputPdf(), state->TempImageFolder());
    // What a killed run left beside the result it was writing.
    RemoveStaleTempFiles(FolderOf(output));
    InvoiceRows rows;
    TerminalProgress progress(0);
    if (!TakeIn(*state, arguments, rows, progress)) {
        ErrorLine(NoPdfFilesLine(arguments.folder));
        return kExitFailed;
    }

    TerminalProgress rendering(rows.rowCount());
    MergeSettings settings{state->TempImageFolder(), output};
    MergeLedger book(arguments.ledger, arguments.skipPrinted);
    settings.choice = DuplicateChoice(rows, arguments.skipDuplicates, book);
    const MergeOutcome outcome =
        MergeInvoices(state->pdfLibrary, settings, ModeNamed(arguments.layout), rows,
                      [&rendering](const RowResult&) { rendering.Rendered(); });
    rendering.Finish();
    const int code = ReportMerge(outcome, output);
    if (outcome.status != MergeStatus::kSaved)
        return code;
    const std::string recorded = std::filesystem::absolute(output).string();

    const LayoutModeParameters& parameters = ParametersOf(ModeNamed(arguments.layout));
    state->printOrientation = parameters.printOrientation;
    state->printPaperLength = parameters.printPaperLength;
    if (!arguments.print) {
        book.Record(outcome, recorded, false, {});
        return code;
    }
    const int printed = PrintMerged(*state, output, *arguments.print);
    book.Record(outcome, recorded, printed == kExitSuccess, arguments.print->printer);
    return printed != kExitSuccess ? printed : code;
}

}  // namespace vellumark::cli
