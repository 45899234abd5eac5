#include "intake/invoice_rows.h"

#include <QFile>

namespace vellumark {

QString InvoiceRows::Cell(int row, int column) const {
    if (!Valid(row) || column < 0 || column >= kInvoiceColumnCount)
        return {};
    return rows_[row].cells[column];
}

void InvoiceRows::SetCell(int row, int column, const QString& text) {
    if (!Valid(row) || column < 0 || column >= kInvoiceColumnCount)
        return;
    rows_[row].cells[column] = text;
    if (column == kColumnPath)
        rows_[row].path = QFile::encodeName(text).toStdString();
}

std::string InvoiceRows::Path(int row) const {
    return Valid(row) ? rows_[row].path : std::string();
}

void InvoiceRows::SetPath(int row, const std::string& path) {
    if (!Valid(row))
        return;
    rows_[row].path = path;
    rows_[row].cells[kColumnPath] = QFile::decodeName(QByteArray::fromStdString(path));
}

QString InvoiceRows::Note(int row) const {
    return Valid(row) ? rows_[row].note : QString();
}

void InvoiceRows::SetNote(int row, const QString& note) {
    if (Valid(row))
        rows_[row].note = note;
}

QString InvoiceRows::Repeat(int row) const {
    return Valid(row) ? rows_[row].repeat : QString();
}

void InvoiceRows::SetRepeat(int row, const QString& repeat) {
    if (Valid(row))
        rows_[row].repeat = repeat;
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
