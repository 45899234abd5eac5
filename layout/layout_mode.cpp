#include "layout/layout_mode.h"

#include <climits>
#include <cmath>

namespace vellumark {

int RoundUp(double x) {
    if (!std::isfinite(x) || x <= 0)
        return 0;
    if (x >= double(INT_MAX))
        return INT_MAX;
    int n = static_cast<int>(std::floor(x));
    if (std::fabs(std::fmod(x, 1.0)) > 1e-07)
        ++n;
    return n;
}
namespace {

constexpr const char* kOpeningMerged = "此次共为您\r\n合并打印了 ";
constexpr const char* kOpeningPrinted = "此次共为您\r\n打印了 ";
constexpr const char* kClosingA4 = " 张A4纸；\r\n电子发票批量导出成功！";
constexpr const char* kClosingA5 = " 张A5纸；\r\n电子发票批量导出成功！";

constexpr LayoutModeParameters kParameters[kLayoutModeCount] = {
    {210, 297, kOpeningMerged, kClosingA4, 1, 297},   // A4Two
    {210, 297, kOpeningPrinted, kClosingA4, 1, 297},  // A4Three
    {297, 210, kOpeningPrinted, kClosingA4, 2, 297},  // A4Four
    {210, 148, kOpeningMerged, kClosingA5, 1, 148},   // A5One
    {210, 297, kOpeningMerged, kClosingA4, 1, 297},   // A4TwoSame
};

}  // namespace

const LayoutModeParameters& ParametersOf(LayoutMode mode) {
    return kParameters[static_cast<int>(mode)];
}

LayoutMode LayoutModeAt(int index) {
    if (index < 0 || index >= kLayoutModeCount)
        return LayoutMode::A4Two;
    return static_cast<LayoutMode>(index);
}

bool TurnsTallInvoices(LayoutMode mode) {
    return mode == LayoutMode::A5One || mode == LayoutMode::A4TwoSame;
}

int SheetCount(LayoutMode mode, int tall, int shortCount) {
    const double t = tall;
    const double s = shortCount;
    switch (mode) {
        case LayoutMode::A4Two:
            return tall + RoundUp(s / 2);
        case LayoutMode::A4Three:
            return tall + RoundUp(s / 3);
        case LayoutMode::A4Four:
            return RoundUp(t / 2) + RoundUp(s / 4);
        case LayoutMode::A5One:
        case LayoutMode::A4TwoSame:
            return tall + shortCount;
    }
    return 0;
}

QString MergeReportText(LayoutMode mode, int invoices, int sheets) {
    const LayoutModeParameters& p = ParametersOf(mode);
    return QString::fromUtf8(p.reportOpening) + QString::number(invoices) +
           QStringLiteral(" 张电子发票；\r\n共需打印 ") + QString::number(sheets) +
           QString::fromUtf8(p.reportClosing);
}

QString MergeFailureText() {
    return QStringLiteral("电子发票批量导出失败！");
}

}  // namespace vellumark
