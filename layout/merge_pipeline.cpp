#include "layout/merge_pipeline.h"

#include "layout/ready_images.h"
#include "layout/sheet_canvas.h"
#include "layout/sheet_layout.h"
#include "page_jobs.h"
#include "pdflib/pdf_library.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

namespace vellumark {
namespace {

Q_LOGGING_CATEGORY(lcMerge, "vellumark.merge")

// A failed row's note, and what the report and the command say about it.
FileProblem LeftOut(const InvoiceRows& rows, const RowResult& result) {
    std::string reason = result.note.toStdString();
    if (result.status == RowStatus::kFirstPageOnly) {
        reason = "只打印了第1页（共" + std::to_string(rows.Pages(result.row)) + "页），" + reason;
    }
    return {rows.Path(result.row), reason};
}

// What a page was rendered without (an OFD seal that could not be shown),
// in the user's words.
QString OmittedText(const pdfax::RenderedImage& image) {
    QStringList words;
    for (const pdfax::PageOmission& omitted : image.omitted) {
        const QString said = QString::fromStdString(omitted.words);
        if (!words.contains(said))
            words.push_back(said);
    }
    return words.join(QStringLiteral("；"));
}

RowResult ResultOf(const InvoiceRows& rows, int row, const pdfax::RenderedImage& image) {
    if (image.error.problem != pdfax::Problem::kNone)
        return {row, RowStatus::kFailed, QString::fromStdString(ProblemText(image.error))};
    if (rows.Pages(row) > 1)
        return {row, RowStatus::kFirstPageOnly, rows.Note(row)};
    return {row, RowStatus::kDone, OmittedText(image)};
}

// Page 1 of every row to its image, turned where the mode's slots draw it
// larger so.
std::vector<pdfax::RenderJob> RenderJobs(const MergeSettings& settings, LayoutMode mode,
                                         const InvoiceRows& rows) {
    std::vector<pdfax::RenderJob> jobs;
    for (int row = 0; row < rows.rowCount(); ++row) {
        const bool turn =
            TurnsPage(mode, IsTallRow(rows, row), rows.WidthMm(row), rows.HeightMm(row));
        pdfax::RenderJob job =
            PageJob(rows, row, turn, settings.ImagePath(row, IsTallRow(rows, row)));
        job.readFacts = static_cast<bool>(settings.choice.read);
        job.codes = settings.choice.codes;
        jobs.push_back(std::move(job));
    }
    return jobs;
}

// The user reads each page's reason in words; the log keeps what the
// library or the renderer said about it.
void LogFailedPages(const InvoiceRows& rows, const std::vector<pdfax::RenderedImage>& images) {
    for (std::size_t row = 0; row < images.size(); ++row) {
        for (const pdfax::PageOmission& omitted : images[row].omitted) {
            qCWarning(lcMerge).noquote()
                << QFile::decodeName(QByteArray::fromStdString(rows.Path(static_cast<int>(row))))
                << "page" << rows.Page(static_cast<int>(row))
                << "rendered without:" << QString::fromStdString(omitted.words)
                << QString::fromStdString(omitted.detail);
        }
        const pdfax::CallError& error = images[row].error;
        if (error.problem == pdfax::Problem::kNone)
            continue;
        qCWarning(lcMerge).noquote()
            << QFile::decodeName(QByteArray::fromStdString(rows.Path(static_cast<int>(row))))
            << QString::fromStdString(ProblemText(error)) << QString::fromStdString(error.detail);
    }
}

struct Renders {
    std::vector<pdfax::RenderedImage> images;
    std::vector<std::string> imagePaths;  // by row
    std::vector<RowResult> results;
    std::optional<FileProblem> folderProblem;  // the images could not be written at all
    bool cancelled = false;
};

// A folder for the images that cannot be written is the program's problem,
// not the invoices': it is named once and the merge stops.
bool IsImageFolderProblem(const pdfax::CallError& error, const std::string& folder) {
    return IsWriteProblem(error.problem) && error.path.rfind(folder, 0) == 0;
}

// Adds row `row`'s image to the sheets' document as soon as it is there, so
// that reading and checking it overlaps the renders still running; the
// layout then finds every image added. False when the merge should stop.
bool TakeImage(PdfLibrary& pdf, const MergeSettings& settings, const InvoiceRows& rows,
               const MergeProgress& progress, Renders& renders, int row,
               const pdfax::RenderedImage& image) {
    const std::string& path = renders.imagePaths[static_cast<std::size_t>(row)];
    renders.images[row] = image;
    if (IsImageFolderProblem(image.error, settings.tempImageFolder)) {
        renders.folderProblem = FileProblem{settings.tempImageFolder, ProblemText(image.error)};
        return false;
    }
    if (image.error.problem == pdfax::Problem::kNone && pdf.AddImageFromFile(path, 0) == 0)
        renders.images[row].error = {"AddImageFromFile", path, pdfax::Problem::kDamaged, {}};
    if (settings.choice.read) {
        settings.choice.read(row, renders.images[row]);
        std::vector<pdfax::TextGlyph>().swap(renders.images[row].text);
    }
    renders.results[row] = ResultOf(rows, row, renders.images[row]);
    if (progress)
        progress(renders.results[row]);
    return true;
}

// Renders every row whose image is not ready from before, and takes each.
Renders RenderRows(PdfLibrary& pdf, const MergeSettings& settings,
                   const std::vector<pdfax::RenderJob>& jobs, const InvoiceRows& rows,
                   const MergeProgress& progress, const std::atomic<bool>* cancel) {
    Renders renders;
    renders.images.resize(jobs.size());
    // A row whose render is never reported is not rendered.
    for (int row = 0; row < static_cast<int>(jobs.size()); ++row) {
        renders.results.push_back(ResultOf(rows, row, renders.images[row]));
        renders.imagePaths.push_back(jobs[row].output);
    }
    const auto stopAsked = [cancel] { return cancel && cancel->load(); };
    std::vector<pdfax::RenderJob> pending;
    std::vector<int> pendingRows;
    for (int row = 0; row < static_cast<int>(jobs.size()) && !renders.cancelled; ++row) {
        // The command reads each page's facts from the merge's own renders.
        const ReadyImage* ready =
            settings.choice.read ? nullptr : ReadyFor(settings.ready, row, jobs[row]);
        if (!ready) {
            pending.push_back(jobs[row]);
            pendingRows.push_back(row);
            continue;
        }
        pdfax::RenderedImage image;
        image.error = {};
        image.width = ready->width;
        image.height = ready->height;
        image.omitted = ready->omitted;
        renders.imagePaths[row] = ready->job.output;
        if (!TakeImage(pdf, settings, rows, progress, renders, row, image))
            return renders;
        renders.cancelled = stopAsked();
    }
    qCInfo(lcMerge) << jobs.size() - pending.size() << "images ready from the listing";
    if (renders.cancelled)
        return renders;
    const int written = pdf.RenderPagesToFiles(
        pending, settings.renderers,
        [&](int index, const pdfax::RenderedImage& image) {
            const int row = pendingRows[static_cast<std::size_t>(index)];
            if (!TakeImage(pdf, settings, rows, progress, renders, row, image))
                return false;
            renders.cancelled = stopAsked();
            return !renders.cancelled;
        },
        stopAsked);
    renders.cancelled = renders.cancelled || stopAsked();
    if (written < 0) {
        // The rows it left unreported stay "not rendered"; the call's own
        // failure is kept with them for whoever logs it.
        const std::string why = "RenderPagesToFiles failed: " + pdf.LastError().detail;
        for (pdfax::RenderedImage& image : renders.images) {
            if (image.error.problem == pdfax::Problem::kNotRendered)
                image.error.detail = why;
        }
    }
    return renders;
}

struct SheetTemplate {
    bool loaded = false;
    int handle = 0;
    pdfax::CallError error;  // why it is not loaded
};

// A blank one-page document of the mode's sheet size, saved at `path` and
// loaded as the library's current document. Its handle stays open until the
// merged file is saved.
SheetTemplate LoadSheetTemplate(PdfLibrary& pdf, const std::string& path, LayoutMode mode) {
    const LayoutModeParameters& p = ParametersOf(mode);
    SheetTemplate sheet;
    if (pdf.NewDocument() == 0 || pdf.SaveToFile(path) == 0) {
        sheet.error = pdf.LastError();
        return sheet;
    }
    sheet.handle = pdf.DAOpenFile(path, "");
    if (pdf.DASetPageSize(sheet.handle, pdf.DAFindPage(sheet.handle, 1), p.sheetWidth,
                          p.sheetHeight) == 0 ||
        pdf.DAAppendFile(sheet.handle) == 0 || pdf.LoadFromFile(path, "") == 0) {
        sheet.error = pdf.LastError();
        return sheet;
    }
    sheet.loaded = true;
    return sheet;
}

MergeOutcome Ended(MergeStatus status, FileProblem cause = {}) {
    MergeOutcome outcome;
    outcome.status = status;
    if (status == MergeStatus::kFailed) {
        outcome.report = MergeFailureText();
        outcome.icon = MergeIcon::kWarning;
        outcome.failure = std::move(cause);
    }
    return outcome;
}

// The images that go onto the sheets, in row order, the tall ones apart;
// the rows left off are marked so.
void ChooseImages(const MergeSettings& settings, const InvoiceRows& rows, Renders& renders,
                  std::vector<SheetImage>& tall, std::vector<SheetImage>& shortImages) {
    const std::vector<RowPlace> places =
        settings.choice.place ? settings.choice.place() : std::vector<RowPlace>{};
    for (int row = 0; row < rows.rowCount(); ++row) {
        const RowPlace place =
            static_cast<std::size_t>(row) < places.size() ? places[row] : RowPlace::kOnSheets;
        // The invoice is on the sheets from its PDF, whatever became of
        // this page's own image.
        if (place == RowPlace::kOtherFormat) {
            renders.results[row] = {row, RowStatus::kOtherFormat, {}};
            continue;
        }
        const pdfax::RenderedImage& image = renders.images[row];
        if (image.error.problem != pdfax::Problem::kNone)
            continue;
        if (place == RowPlace::kSkipped) {
            renders.results[row].status = RowStatus::kSkipped;
            continue;
        }
        (IsTallRow(rows, row) ? tall : shortImages)
            .push_back({renders.imagePaths[static_cast<std::size_t>(row)], image.width,
                        image.height, row});
    }
}

// Lays the rendered images out on the template's sheets in row order, tall
// ones first, and saves the result.
MergeOutcome LayOutAndSave(PdfLibrary& pdf, const MergeSettings& settings, LayoutMode mode,
                           const InvoiceRows& rows, Renders& renders) {
    std::vector<SheetImage> tall, shortImages;
    ChooseImages(settings, rows, renders, tall, shortImages);
    PdfSheetCanvas canvas(pdf);
    for (const SheetImage& image : LayoutSheets(canvas, mode, tall, shortImages)) {
        renders.results[static_cast<std::size_t>(image.row)] = {
            image.row, RowStatus::kFailed, QStringLiteral("生成的图片无法放到纸上")};
    }
    MergeOutcome outcome;
    for (const RowResult& result : renders.results) {
        if (result.status == RowStatus::kSkipped || result.status == RowStatus::kOtherFormat)
            continue;
        if (result.status != RowStatus::kFailed)
            ++outcome.invoices;
        if (result.status != RowStatus::kDone)
            outcome.leftOut.push_back(LeftOut(rows, result));
        else if (!result.note.isEmpty())
            outcome.shownWithout.push_back({rows.Path(result.row), result.note.toStdString()});
    }
    outcome.rows = renders.results;
    const auto failed = [&outcome](FileProblem cause) {
        MergeOutcome ended = Ended(MergeStatus::kFailed, std::move(cause));
        ended.rows = std::move(outcome.rows);
        ended.leftOut = std::move(outcome.leftOut);
        return ended;
    };
    // Sheets without a single invoice are not a result worth saving.
    if (outcome.invoices == 0)
        return failed({});
    if (pdf.SaveToFile(settings.outputPdf) == 0)
        return failed(ProblemOf(pdf.LastError(), settings.outputPdf));
    outcome.status = MergeStatus::kSaved;
    outcome.sheets =
        SheetCount(mode, static_cast<int>(tall.size()), static_cast<int>(shortImages.size()));
    outcome.report = MergeReportText(mode, outcome.invoices, outcome.sheets);
    outcome.icon = MergeIcon::kInformation;
    return outcome;
}

}  // namespace

QString RowStatusText(RowStatus status) {
    switch (status) {
        case RowStatus::kDone:
            return QStringLiteral("已完成");
        case RowStatus::kFailed:
            return QStringLiteral("失败");
        case RowStatus::kFirstPageOnly:
            return QStringLiteral("缺页");
        case RowStatus::kSkipped:
            return QStringLiteral("已跳过");
        case RowStatus::kOtherFormat:
            return QStringLiteral("同一张发票（另一种格式）");
    }
    return {};
}

std::vector<bool> PlacedRows(const MergeOutcome& outcome, int rowCount) {
    std::vector<bool> placed(static_cast<std::size_t>(std::max(rowCount, 0)), false);
    for (const RowResult& result : outcome.rows) {
        if (result.row >= 0 && result.row < rowCount)
            placed[static_cast<std::size_t>(result.row)] =
                result.status == RowStatus::kDone || result.status == RowStatus::kFirstPageOnly;
    }
    return placed;
}

std::string MergeSettings::ImagePath(int row, bool tall) const {
    return tempImageFolder + "/" + std::to_string(row) + (tall ? ".jpg" : ".png");
}

namespace {

// A titled list of files with their reasons, at most `kMostLines` of them;
// `where` tells where to see the rest.
QString FileLines(const QString& title, const std::vector<FileProblem>& files,
                  const QString& where) {
    // Enough lines to see what happened; the list shows every row.
    constexpr std::size_t kMostLines = 10;
    const QString lineBreak = QStringLiteral("\r\n");
    QString text = lineBreak + lineBreak + title;
    for (std::size_t i = 0; i < files.size() && i < kMostLines; ++i) {
        const FileProblem& problem = files[i];
        const auto slash = problem.path.find_last_of('/');
        text += lineBreak +
                QFile::decodeName(QByteArray::fromStdString(
                    problem.path.substr(slash == std::string::npos ? 0 : slash + 1))) +
                QStringLiteral("：") + QString::fromUtf8(problem.reason);
    }
    if (files.size() > kMostLines) {
        text += lineBreak + QStringLiteral("……共 ") + QString::number(files.size()) +
                QStringLiteral(" 个文件，") + where;
    }
    return text;
}

}  // namespace

QString MergeMessageText(const MergeOutcome& outcome) {
    QString text = outcome.report;
    if (!outcome.failure.reason.empty()) {
        text += QStringLiteral("\r\n") +
                QFile::decodeName(QByteArray::fromStdString(outcome.failure.path)) +
                QStringLiteral("：") + QString::fromUtf8(outcome.failure.reason);
    }
    if (!outcome.leftOut.empty())
        text += FileLines(QStringLiteral("以下文件未能完整打印："), outcome.leftOut,
                          QStringLiteral("见列表中的红色行"));
    if (!outcome.shownWithout.empty())
        text += FileLines(QStringLiteral("以下发票已合并，但有内容未能显示："),
                          outcome.shownWithout, QStringLiteral("见列表中的备注"));
    return text;
}

MergeOutcome MergeInvoices(PdfLibrary& pdf, const MergeSettings& settings, LayoutMode mode,
                           const InvoiceRows& rows, const MergeProgress& progress,
                           const std::atomic<bool>* cancel) {
    if (rows.rowCount() == 0)
        return {};
    std::error_code ignored;
    std::filesystem::create_directories(settings.tempImageFolder, ignored);

    // The sheets' document comes first, so that images go into it as they come.
    const SheetTemplate sheetTemplate = LoadSheetTemplate(pdf, settings.SheetTemplateFile(), mode);
    const auto closeTemplate = [&] {
        if (sheetTemplate.handle != 0)
            pdf.DACloseFile(sheetTemplate.handle);
    };
    if (!sheetTemplate.loaded) {
        closeTemplate();
        return Ended(MergeStatus::kFailed,
                     ProblemOf(sheetTemplate.error, settings.SheetTemplateFile()));
    }
    QElapsedTimer clock;
    clock.start();
    Renders renders =
        RenderRows(pdf, settings, RenderJobs(settings, mode, rows), rows, progress, cancel);
    qCInfo(lcMerge) << "rendered" << renders.images.size() << "pages in" << clock.restart() << "ms";
    LogFailedPages(rows, renders.images);
    MergeOutcome outcome;
    if (renders.folderProblem)
        outcome = Ended(MergeStatus::kFailed, *renders.folderProblem);
    else if (renders.cancelled)
        outcome = Ended(MergeStatus::kCancelled);
    else
        outcome = LayOutAndSave(pdf, settings, mode, rows, renders);
    qCInfo(lcMerge) << "laid out and saved" << outcome.sheets << "sheets in" << clock.elapsed()
                    << "ms";
    closeTemplate();
    return outcome;
}

}  // namespace vellumark
