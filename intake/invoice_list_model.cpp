#include "invoice_list_model.h"

#include <QColor>
#include <QFile>

namespace vellumark {

int InvoiceListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int InvoiceListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kInvoiceColumnCount;
}

QVariant InvoiceListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= kInvoiceColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return rows_[index.row()].cells[index.column()];
    if (role == Qt::TextAlignmentRole) {
        const bool left = index.column() <= kColumnName;
        return QVariant::fromValue<int>(Qt::AlignVCenter |
                                        (left ? Qt::AlignLeft : Qt::AlignHCenter));
    }
    const QString& note = rows_[index.row()].note;
    if (role == Qt::ToolTipRole && !note.isEmpty())
        return note;
    if (role == Qt::ForegroundRole && !note.isEmpty())
        return QColor(Qt::red);
    return {};
}

QVariant InvoiceListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return ColumnTitle(section);
}

QString InvoiceListModel::ColumnTitle(int column) {
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

void InvoiceListModel::Clear() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void InvoiceListModel::AppendRow() {
    const int row = rowCount();
    beginInsertRows({}, row, row);
    rows_.emplace_back();
    endInsertRows();
}

void InvoiceListModel::InsertRowAtTop() {
    beginInsertRows({}, 0, 0);
    rows_.insert(rows_.begin(), Row{});
    endInsertRows();
}

QString InvoiceListModel::Cell(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= kInvoiceColumnCount)
        return {};
    return rows_[row].cells[column];
}

void InvoiceListModel::SetCell(int row, int column, const QString& text) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= kInvoiceColumnCount)
        return;
    rows_[row].cells[column] = text;
    if (column == kColumnPath)
        rows_[row].path = QFile::encodeName(text).toStdString();
    emit dataChanged(index(row, column), index(row, column));
}

std::string InvoiceListModel::Path(int row) const {
    if (row < 0 || row >= rowCount())
        return {};
    return rows_[row].path;
}

void InvoiceListModel::SetPath(int row, const std::string& path) {
    if (row < 0 || row >= rowCount())
        return;
    rows_[row].path = path;
    rows_[row].cells[kColumnPath] = QFile::decodeName(QByteArray::fromStdString(path));
    emit dataChanged(index(row, kColumnPath), index(row, kColumnPath));
}

QString InvoiceListModel::Note(int row) const {
    if (row < 0 || row >= rowCount())
        return {};
    return rows_[row].note;
}

void InvoiceListModel::SetNote(int row, const QString& note) {
    if (row < 0 || row >= rowCount())
        return;
    rows_[row].note = note;
    emit dataChanged(index(row, 0), index(row, kInvoiceColumnCount - 1));
}

}  // namespace vellumark
