// The merge: renders each listed invoice to an image, lays the images out on
// sheets of the chosen mode and saves the merged PDF. No widgets here; the
// caller shows the outcome.
#pragma once

#include "invoice_list_model.h"
#include "layout_mode.h"
#include "problem_text.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace vellumark {

class PdfLibrary;

struct MergeSettings {
    std::string tempImageFolder;  // platform bytes, no trailing separator
    std::string outputPdf;

    std::string SheetTemplateFile() const { return tempImageFolder + "/临时.pdf"; }
    // The image of row `row`: "<row>.png" for a short invoice, "<row>.jpg" for a tall one.
    std::string ImagePath(int row, bool tall) const;
};

enum class MergeStatus {
    kNothingToMerge,  // empty list: no file touched, nothing to show
    kSaved,
    kFailed,  // no image at all, or the merged file could not be saved
};

enum class MergeIcon { kNone, kInformation, kWarning };

struct MergeOutcome {
    MergeStatus status = MergeStatus::kNothingToMerge;
    int invoices = 0;  // invoices on the sheets
    int sheets = 0;
    QString report;  // the text to show; empty for kNothingToMerge
    MergeIcon icon = MergeIcon::kNone;
    // Saved: the files whose pages are not all on the sheets, and why.
    std::vector<FileProblem> leftOut;
    // Failed: what stopped the merge (empty path and reason when nothing
    // but the lack of any usable image did).
    FileProblem failure;
};

// The progress text of a row whose file is on the sheets with its first page
// only (a multi-page file that could not be split).
inline constexpr const char* kFirstPageOnlyText = "缺页";

// Called after each invoice's render with its row (the caller repaints and
// scrolls), and with -1 after each image is measured and placed on a sheet
// and every few tens of milliseconds while the merged file is saved, so the
// window stays alive. It must not call the library: during the save another
// thread is using it.
using MergeProgress = std::function<void(int row)>;

// The message box text for `outcome`: the report, or the failure text with
// its reason on a line of its own, followed by the files whose pages are
// not all on the sheets (file name and reason, one per line).
QString MergeMessageText(const MergeOutcome& outcome);

// A page height of 180 mm or more makes an invoice tall.
inline constexpr double kTallInvoiceHeight = 180;

// A blank one-page document of the mode's sheet size, saved at `path` and
// loaded as the library's current document. Its handle stays open until the
// merged file is saved.
struct SheetTemplate {
    bool loaded = false;
    int handle = 0;
    pdfax::CallError error;  // why it is not loaded
};
SheetTemplate LoadSheetTemplate(PdfLibrary& pdf, const std::string& path, LayoutMode mode);

// Runs the whole merge over `rows` (path, height; the progress cell becomes
// "已完成", "失败" for an invoice that gave no usable image, with the reason
// as the row's note, or "缺页" for a multi-page file of which only page 1 is
// placed). The merged file replaces `settings.outputPdf` only when it is
// saved whole. A folder for the images that cannot be written fails the
// merge once, naming the folder, rather than each invoice.
MergeOutcome MergeInvoices(PdfLibrary& pdf, const MergeSettings& settings, LayoutMode mode,
                           InvoiceListModel& rows, const MergeProgress& progress = {});

}  // namespace vellumark
