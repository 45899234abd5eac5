// The five sheet layouts and what each one fixes: the sheet, the report
// texts and the paper settings handed to printing.
#pragma once

#include <QString>

namespace vellumark {

enum class LayoutMode { A4Two, A4Three, A4Four, A5One, A4TwoSame };

inline constexpr int kLayoutModeCount = 5;

struct LayoutModeParameters {
    double sheetWidth;          // mm
    double sheetHeight;         // mm
    const char* reportOpening;  // UTF-8
    const char* reportClosing;  // UTF-8
    int printOrientation;       // 1 portrait, 2 landscape
    int printPaperLength;       // mm
};

const LayoutModeParameters& ParametersOf(LayoutMode mode);

// The layout choices in the order the panel offers them (0..4).
LayoutMode LayoutModeAt(int index);

// Tall invoices are rotated a quarter turn before rendering in these modes.
bool TurnsTallInvoices(LayoutMode mode);

// The smallest integer not below x, where x exceeding an integer by at most
// 1e-07 counts as that integer. Non-finite or negative input gives 0.
int RoundUp(double x);

// Sheets needed for `tall` tall and `shortCount` short images; equals the
// pages LayoutSheets leaves in the document.
int SheetCount(LayoutMode mode, int tall, int shortCount);

// The report after a saved merge: opening, invoices, sheets, closing.
QString MergeReportText(LayoutMode mode, int invoices, int sheets);
// The one text shown when a merge produced nothing.
QString MergeFailureText();

}  // namespace vellumark
