#include "merge_pipeline.h"

#include "image_measure.h"
#include "image_measurer.h"
#include "pdf_library.h"
#include "render_loop.h"
#include "sheet_layout.h"

#include <chrono>
#include <filesystem>
#include <future>
#include <map>
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

MergeOutcome Failed() {
    MergeOutcome outcome;
    outcome.status = MergeStatus::kFailed;
    outcome.report = MergeFailureText();
    outcome.icon = MergeIcon::kWarning;
    return outcome;
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

}  // namespace

SheetTemplate LoadSheetTemplate(PdfLibrary& pdf, const std::string& path, LayoutMode mode) {
    const LayoutModeParameters& p = ParametersOf(mode);
    pdf.NewDocument();
    pdf.SaveToFile(path);
    const int handle = pdf.DAOpenFile(path, "");
    pdf.DASetPageSize(handle, pdf.DAFindPage(handle, 1), p.sheetWidth, p.sheetHeight);
    pdf.DAAppendFile(handle);
    return {pdf.LoadFromFile(path, "") != 0, handle};
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
    RenderAlongside(
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

    if (!sheetTemplate.loaded || (tall.empty() && shortImages.empty())) {
        CloseTemplate(pdf, sheetTemplate);
        return Failed();
    }

    PdfSheetCanvas canvas(pdf);
    const std::vector<std::string> notAdded =
        LayoutSheets(canvas, mode, tall, shortImages, [&progress] { Notify(progress, -1); });
    for (const std::string& image : notAdded)
        rows.SetCell(rowOfImage[image], kColumnProgress, kFailedText);

    const int placed = static_cast<int>(tall.size() + shortImages.size() - notAdded.size());
    // Sheets without a single invoice are not a result worth saving.
    bool saved = false;
    if (placed > 0) {
        Notify(progress, -1);
        saved = KeepingCallerAlive(progress, false,
                                   [&] { return pdf.SaveToFile(settings.outputPdf) != 0; });
        Notify(progress, -1);
    }
    CloseTemplate(pdf, sheetTemplate);
    if (!saved)
        return Failed();

    MergeOutcome outcome;
    outcome.status = MergeStatus::kSaved;
    outcome.invoices = placed;
    outcome.sheets =
        SheetCount(mode, static_cast<int>(tall.size()), static_cast<int>(shortImages.size()));
    outcome.report = MergeReportText(mode, outcome.invoices, outcome.sheets);
    outcome.icon = MergeIcon::kInformation;
    return outcome;
}

}  // namespace vellumark
