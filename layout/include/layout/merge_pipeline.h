// The merge: renders each listed invoice to an image, lays the images out on
// sheets of the chosen mode and saves the merged PDF. No widgets here; it
// runs on whatever thread its caller chooses, and the caller shows the
// progress and the outcome.
#pragma once

#include "intake/invoice_rows.h"
#include "layout/layout_mode.h"
#include "layout/ready_images.h"
#include "pdflib/problem_text.h"

#include <pdfax/library.h>

#include <QString>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace vellumark {

class PdfLibrary;

// Where a row goes once every row is rendered.
enum class RowPlace {
    kOnSheets,
    kSkipped,      // left off by choice
    kOtherFormat,  // an OFD page whose invoice goes onto the sheets from its PDF
};

// What a merge asks about the invoices themselves: each row's render as it
// arrives, with the QR code and text read from it (the text is let go
// afterwards, so that memory stays flat however many rows there are), and
// once every row is rendered, where each row goes (rows past the end go
// onto the sheets).
struct RowChoice {
    std::function<void(int row, const pdfax::RenderedImage& render)> read;
    pdfax::CodeSearch codes;  // where `read` expects each page's QR code
    std::function<std::vector<RowPlace>()> place;
};

struct MergeSettings {
    std::string tempImageFolder;  // platform bytes, no trailing separator
    std::string outputPdf;
    int renderers = 0;  // renderer processes at once; 0: one per processor
    // With it, each page's QR code and text layer are read with its render.
    RowChoice choice;
    // Images rendered when the rows were listed, by row; a row whose image
    // is no longer the one the merge would render is rendered again.
    std::vector<ReadyImage> ready;

    std::string SheetTemplateFile() const { return tempImageFolder + "/临时.pdf"; }
    // The image of row `row`: "<row>.png" for a short invoice, "<row>.jpg" for a tall one.
    std::string ImagePath(int row, bool tall) const;
};

enum class MergeStatus {
    kNothingToMerge,  // empty list: no file touched, nothing to show
    kSaved,
    kFailed,     // no image at all, or the merged file could not be saved
    kCancelled,  // stopped on request; nothing saved
};

enum class MergeIcon { kNone, kInformation, kWarning };

// What became of one row.
enum class RowStatus {
    kDone,           // on the sheets, "已完成"
    kFailed,         // no usable image, "失败"; the note says why
    kFirstPageOnly,  // a multi-page file, only its page 1 on the sheets, "缺页"
    kSkipped,        // rendered but left off the sheets by choice, "已跳过"
    // Left off because its invoice is on the sheets from the PDF of the
    // same invoice, "同一张发票（另一种格式）": nothing is missing.
    kOtherFormat,
};
QString RowStatusText(RowStatus status);

// A row is done only when its render said so: a result made without one is
// a failure.
struct RowResult {
    int row = 0;
    RowStatus status = RowStatus::kFailed;
    // The reason, for kFailed and kFirstPageOnly; for kDone, what the page
    // was drawn without (an OFD seal that could not be shown), or empty.
    QString note;
};

struct MergeOutcome {
    MergeStatus status = MergeStatus::kNothingToMerge;
    int invoices = 0;  // invoices on the sheets
    int sheets = 0;
    QString report;  // the text to show; empty for kNothingToMerge and kCancelled
    MergeIcon icon = MergeIcon::kNone;
    std::vector<RowResult> rows;  // every rendered row's result, in row order
    // Saved: the files whose pages are not all on the sheets, and why.
    std::vector<FileProblem> leftOut;
    // Saved: the files whose pages are on the sheets without something of
    // theirs (an OFD seal that could not be shown), and what.
    std::vector<FileProblem> shownWithout;
    // Failed: what stopped the merge (empty path and reason when nothing
    // but the lack of any usable image did).
    FileProblem failure;
};

// Per row of `rowCount`, whether the merge put it on its sheets (all of
// it, or its first page).
std::vector<bool> PlacedRows(const MergeOutcome& outcome, int rowCount);

// Called on the merge's thread as each row's image is rendered (or fails),
// in the order the renders end.
using MergeProgress = std::function<void(const RowResult& row)>;

// The message box text for `outcome`: the report, or the failure text with
// its reason on a line of its own, followed by the files whose pages are
// not all on the sheets and those drawn without a part (file name and
// reason, one per line).
QString MergeMessageText(const MergeOutcome& outcome);

// A page height of 180 mm or more makes an invoice tall.
inline constexpr double kTallInvoiceHeight = 180;

// Runs the whole merge over `rows` (path, height, pages, note). The merged
// file replaces `settings.outputPdf` only when it is saved whole. A folder
// for the images that cannot be written fails the merge once, naming the
// folder, rather than each invoice. When `cancel` becomes true no further
// invoice is rendered and nothing is saved.
MergeOutcome MergeInvoices(PdfLibrary& pdf, const MergeSettings& settings, LayoutMode mode,
                           const InvoiceRows& rows, const MergeProgress& progress = {},
                           const std::atomic<bool>* cancel = nullptr);

}  // namespace vellumark
