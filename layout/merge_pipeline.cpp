#include "merge_pipeline.h"

#include "image_measure.h"
#include "image_measurer.h"
#include "pdf_library.h"
#include "render_loop.h"
#include "sheet_layout.h"

#include <QFile>

#include <chrono>
#include <filesystem>
#include <future>
#include <map>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace vellumark {
namespace {

// Well inside the window's 100 ms between event rounds.
constexpr std::chrono::milliseconds kPollInterval{40};

const QString kDoneText = QStringLiteral("已完成");
const QString kFailedText = QStringLiteral("失败");

void Notify(const MergeProgress& progress, int row) {
    if (progress)
        progress(row);
}

bool IsTallRow(const InvoiceListModel& rows, int row) {
    bool ok = false;
    const double height = rows.Cell(row, kColumnHeight).toDouble(&ok);
    return ok && height >= kTallInvoiceHeight;
}

void CloseTemplate(PdfLibrary& pdf, const SheetTemplate& sheetTemplate) {
    if (sheetTemplate.handle != 0)
        pdf.DACloseFile(sheetTemplate.handle);
}

MergeOutcome Failed(FileProblem cause = {}) {
    MergeOutcome outcome;
    outcome.status = MergeStatus::kFailed;
    outcome.report = MergeFailureText();
    outcome.icon = MergeIcon::kWarning;
    outcome.failure = std::move(cause);
    return outcome;
}

// The row's failure: "失败" in its progress cell and the reason as its note.
void MarkFailed(InvoiceListModel& rows, int row, const FileProblem& problem) {
    rows.SetCell(row, kColumnProgress, kFailedText);
    rows.SetNote(row, QString::fromUtf8(problem.reason));
}

// Why the image of a row whose render call succeeded is not there: the
// library's failed write, or nothing known.
pdfax::CallError MissingImageError(PdfLibrary& pdf, const std::string& image) {
    pdfax::CallError error = pdf.ImageWriteError(image);
    if (error.problem == pdfax::Problem::kNone)
        error = {"DARenderPageToFile", image, pdfax::Problem::kIoError, "no image"};
    return error;
}

// A folder for the images that cannot be written is the program's problem,
// not the invoices': it is named once and the merge stops.
bool IsImageFolderProblem(const pdfax::CallError& error, const std::string& folder) {
    return IsWriteProblem(error.problem) && error.path.rfind(folder, 0) == 0;
}

// Some library calls are long on big merges: the first call after the last
// render waits for the library's image writes, and saving a thousand invoices
// writes half a gigabyte. They run on a helper thread while this thread keeps
// calling `progress`, which makes no library call of its own, so the library
// is used by one thread at a time throughout.
template <typename Result, typename Work>
Result KeepingCallerAlive(const MergeProgress& progress, Result failure, Work&& work) {
    std::promise<Result> result;
    std::future<Result> done = result.get_future();
    std::thread helper;
    try {
        helper = std::thread([&] {
            Result value = failure;
            try {
                value = work();
            } catch (...) {
                // The facade does not throw; work that did has failed.
            }
            result.set_value(value);
        });
    } catch (...) {
        return work();
    }
    while (done.wait_for(kPollInterval) != std::future_status::ready)
        Notify(progress, -1);
    helper.join();
    return done.get();
}

// Gives every row that has no usable image its reason (note, "失败", and a
// line in `leftOut`), and marks multi-page files of which only page 1 goes
// onto the sheets. Returns the problem of the image folder instead when the
// images could not be written there at all.
std::optional<FileProblem> NoteUnusableRows(PdfLibrary& pdf, const MergeSettings& settings,
                                            InvoiceListModel& rows,
                                            const std::vector<SheetImage>& measured,
                                            const std::vector<pdfax::CallError>& renderErrors,
                                            const std::vector<char>& isTall,
                                            std::vector<FileProblem>& leftOut) {
    for (int row = 0; row < rows.rowCount(); ++row) {
        const SheetImage& image = measured[row];
        if (image.pixelWidth > 0 && image.pixelHeight > 0) {
            const int pages = rows.Cell(row, kColumnPages).toInt();
            if (pages > 1) {
                rows.SetCell(row, kColumnProgress, QString::fromUtf8(kFirstPageOnlyText));
                leftOut.push_back({rows.Path(row), "只打印了第1页（共" + std::to_string(pages) +
                                                       "页），" + rows.Note(row).toStdString()});
            }
            continue;
        }
        pdfax::CallError error = renderErrors[row];
        if (error.problem == pdfax::Problem::kNone)
            error = MissingImageError(pdf, settings.ImagePath(row, isTall[row]));
        if (IsImageFolderProblem(error, settings.tempImageFolder))
            return FileProblem{settings.tempImageFolder, ProblemText(error)};
        const FileProblem problem{rows.Path(row), ProblemText(error)};
        MarkFailed(rows, row, problem);
        leftOut.push_back(problem);
    }
    return std::nullopt;
}

}  // namespace

QString MergeMessageText(const MergeOutcome& outcome) {
    // Enough lines to see what happened; the list shows every row.
    constexpr std::size_t kMostLines = 10;
    const QString lineBreak = QStringLiteral("\r\n");
    QString text = outcome.report;
    if (!outcome.failure.reason.empty()) {
        text += lineBreak + QFile::decodeName(QByteArray::fromStdString(outcome.failure.path)) +
                QStringLiteral("：") + QString::fromUtf8(outcome.failure.reason);
    }
    if (outcome.leftOut.empty())
        return text;
    text += lineBreak + lineBreak + QStringLiteral("以下文件未能完整打印：");
    for (std::size_t i = 0; i < outcome.leftOut.size() && i < kMostLines; ++i) {
        const FileProblem& problem = outcome.leftOut[i];
        const auto slash = problem.path.find_last_of('/');
        text += lineBreak +
                QFile::decodeName(QByteArray::fromStdString(
                    problem.path.substr(slash == std::string::npos ? 0 : slash + 1))) +
                QStringLiteral("：") + QString::fromUtf8(problem.reason);
    }
    if (outcome.leftOut.size() > kMostLines) {
        text += lineBreak + QStringLiteral("……共 ") + QString::number(outcome.leftOut.size()) +
                QStringLiteral(" 个文件，见列表中的红色行");
    }
    return text;
}

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

std::string MergeSettings::ImagePath(int row, bool tall) const {
    return tempImageFolder + "/" + std::to_string(row) + (tall ? ".jpg" : ".png");
}

MergeOutcome MergeInvoices(PdfLibrary& pdf, const MergeSettings& settings, LayoutMode mode,
                           InvoiceListModel& rows, const MergeProgress& progress) {
    const int rowCount = rows.rowCount();
    if (rowCount == 0)
        return {};

    std::error_code ignored;
    std::filesystem::create_directories(settings.tempImageFolder, ignored);

    // One thread renders, the library writes each image while the next one
    // renders, and the images are measured on a thread of their own as they
    // appear; this thread keeps the window alive and turns each row's
    // progress cell once its image is measured, rows in order.
    const bool turn = TurnsTallInvoices(mode);
    std::vector<char> isTall(rowCount);
    std::vector<char> rendered(rowCount);
    std::vector<RenderJob> jobs(rowCount);
    for (int row = 0; row < rowCount; ++row) {
        isTall[row] = IsTallRow(rows, row);
        jobs[row] = RenderJob{rows.Path(row), bool(isTall[row]), isTall[row] && turn,
                              settings.ImagePath(row, isTall[row])};
    }
    ImageMeasurer measurer;
    std::vector<std::size_t> ticket(rowCount);
    int handedOver = 0;  // rows before this one are with the measurer or failed
    int marked = 0;      // rows before this one have their progress cell set
    std::vector<SheetImage> measured(rowCount);
    // Images are renamed into place whole, so one that exists is finished.
    const auto handOver = [&](int upTo, bool drained) {
        for (; handedOver < upTo; ++handedOver) {
            const std::string image = settings.ImagePath(handedOver, isTall[handedOver]);
            if (rendered[handedOver] && !drained && !FileExistsWide(image))
                break;
            ticket[handedOver] = rendered[handedOver] ? measurer.Add(image) : 0;
        }
    };
    const auto mark = [&](bool wait) {
        for (; marked < handedOver; ++marked) {
            if (rendered[marked]) {
                if (!wait && !measurer.Ready(ticket[marked]))
                    break;
                measured[marked] = measurer.Take(ticket[marked]);
            }
            const SheetImage& image = measured[marked];
            rows.SetCell(marked, kColumnProgress,
                         image.pixelWidth > 0 && image.pixelHeight > 0 ? kDoneText : kFailedText);
            if (wait)
                Notify(progress, -1);
        }
    };
    int renderedRows = 0;  // rows whose render call has returned
    const std::vector<pdfax::CallError> renderErrors = RenderAlongside(
        pdf, jobs,
        [&](int row, bool ok) {
            rendered[row] = ok;
            renderedRows = row + 1;
            handOver(renderedRows, false);
            mark(false);
            Notify(progress, row);
        },
        [&] {
            // Images written since the last render returned.
            handOver(renderedRows, false);
            mark(false);
            Notify(progress, -1);
        },
        kPollInterval);
    // Building the template waits for the library's last image writes, so
    // every image is complete on disk from here on.
    const SheetTemplate sheetTemplate = KeepingCallerAlive(progress, SheetTemplate{}, [&] {
        return LoadSheetTemplate(pdf, settings.SheetTemplateFile(), mode);
    });
    handOver(rowCount, true);
    mark(true);

    if (!sheetTemplate.loaded) {
        CloseTemplate(pdf, sheetTemplate);
        return Failed(ProblemOf(sheetTemplate.error, settings.SheetTemplateFile()));
    }
    std::vector<FileProblem> leftOut;
    if (const auto folderProblem =
            NoteUnusableRows(pdf, settings, rows, measured, renderErrors, isTall, leftOut)) {
        CloseTemplate(pdf, sheetTemplate);
        return Failed(*folderProblem);
    }

    // Images are collected in row order; a row whose invoice gave no
    // decodable image is left off the sheets.
    std::vector<SheetImage> tall;
    std::vector<SheetImage> shortImages;
    std::map<std::string, int> rowOfImage;
    for (int row = 0; row < rowCount; ++row) {
        SheetImage& image = measured[row];
        if (image.pixelWidth > 0 && image.pixelHeight > 0) {
            rowOfImage[image.path] = row;
            (isTall[row] ? tall : shortImages).push_back(std::move(image));
        }
    }
    if (tall.empty() && shortImages.empty()) {
        CloseTemplate(pdf, sheetTemplate);
        MergeOutcome failed = Failed();
        failed.leftOut = std::move(leftOut);
        return failed;
    }

    PdfSheetCanvas canvas(pdf);
    const std::vector<std::string> notAdded =
        LayoutSheets(canvas, mode, tall, shortImages, [&progress] { Notify(progress, -1); });
    for (const std::string& image : notAdded) {
        const int row = rowOfImage[image];
        const FileProblem problem{rows.Path(row), "生成的图片无法放到纸上"};
        MarkFailed(rows, row, problem);
        leftOut.push_back(problem);
    }

    const int placed = static_cast<int>(tall.size() + shortImages.size() - notAdded.size());
    // Sheets without a single invoice are not a result worth saving.
    bool saved = false;
    pdfax::CallError saveError;
    if (placed > 0) {
        Notify(progress, -1);
        saved = KeepingCallerAlive(progress, false, [&] {
            const bool ok = pdf.SaveToFile(settings.outputPdf) != 0;
            saveError = pdf.LastError();
            return ok;
        });
        Notify(progress, -1);
    }
    CloseTemplate(pdf, sheetTemplate);
    if (!saved) {
        MergeOutcome failed =
            Failed(placed > 0 ? ProblemOf(saveError, settings.outputPdf) : FileProblem{});
        failed.leftOut = std::move(leftOut);
        return failed;
    }

    MergeOutcome outcome;
    outcome.status = MergeStatus::kSaved;
    outcome.invoices = placed;
    outcome.sheets =
        SheetCount(mode, static_cast<int>(tall.size()), static_cast<int>(shortImages.size()));
    outcome.report = MergeReportText(mode, outcome.invoices, outcome.sheets);
    outcome.icon = MergeIcon::kInformation;
    outcome.leftOut = std::move(leftOut);
    return outcome;
}

}  // namespace vellumark
