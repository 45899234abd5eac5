#include "intake/invoice_rows.h"

#include <QFile>

#include <utility>

namespace vellumark {

QString InvoiceRows::Cell(int row, int column) const {
    if (!Valid(row))
        return {};
    const Row& r = rows_[row];
    switch (column) {
        case kColumnNumber:
            return QString::number(r.order);
        case kColumnName:
            return r.name;
        case kColumnPages:
            return QString::number(r.pages);
        case kColumnPath:
            return QFile::decodeName(QByteArray::fromStdString(r.path));
        case kColumnHeight:
            return QString::number(r.heightMm);
        case kColumnWidth:
            return QString::number(r.widthMm);
        case kColumnProgress:
            return r.progress;
        default:
            return {};
    }
}

void InvoiceRows::SetCell(int row, int column, const QString& text) {
    if (!Valid(row))
        return;
    if (column == kColumnName)
        rows_[row].name = text;
    else if (column == kColumnProgress)
        rows_[row].progress = text;
}

void InvoiceRows::SetOrder(int row, int order) {
    if (Valid(row))
        rows_[row].order = order;
}

void InvoiceRows::SetPages(int row, int pages) {
    if (Valid(row))
        rows_[row].pages = pages;
}

void InvoiceRows::SetSize(int row, double widthMm, double heightMm) {
    if (!Valid(row))
        return;
    rows_[row].widthMm = widthMm;
    rows_[row].heightMm = heightMm;
}

std::string InvoiceRows::Path(int row) const {
    return Valid(row) ? rows_[row].path : std::string();
}

void InvoiceRows::SetPath(int row, const std::string& path) {
    if (Valid(row))
        rows_[row].path = path;
}

void InvoiceRows::SetPage(int row, InvoiceFormat format, int page) {
    if (!Valid(row))
        return;
    rows_[row].format = format;
    rows_[row].page = page;
}

QString InvoiceRows::Note(int row) const {
    return Valid(row) ? rows_[row].note : QString();
}

void InvoiceRows::SetNote(int row, const QString& note) {
    if (Valid(row))
        rows_[row].note = note;
}

QString InvoiceRows::PrintedBefore(int row) const {
    return Valid(row) ? rows_[row].printedBefore : QString();
}

void InvoiceRows::SetPrintedBefore(int row, const QString& printed) {
    if (Valid(row))
        rows_[row].printedBefore = printed;
}

QString InvoiceRows::Repeat(int row) const {
    return Valid(row) ? rows_[row].repeat : QString();
}

void InvoiceRows::SetRepeat(int row, const QString& repeat) {
    if (Valid(row))
        rows_[row].repeat = repeat;
}

void InvoiceRows::Reorder(const std::vector<int>& order) {
    std::vector<Row> reordered;
    reordered.reserve(order.size());
    for (const int row : order)
        reordered.push_back(std::move(rows_[static_cast<std::size_t>(row)]));
    rows_ = std::move(reordered);
}

QString InvoiceRows::ColumnTitle(int column) {
    switch (column) {
        case kColumnNumber:
            return QStringLiteral("序号");
        case kColumnName:
            return QStringLiteral("                   文件名称");
        case kColumnPages:
            return QStringLiteral("页数");
        case kColumnHeight:
            return QStringLiteral("页高");
        case kColumnWidth:
            return QStringLiteral("页宽");
        case kColumnProgress:
            return QStringLiteral("进度");
        default:
            return {};
    }
}

}  // namespace vellumark
