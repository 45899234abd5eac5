#include "intake/invoice_list_model.h"

#include <QColor>

#include <utility>

namespace vellumark {

int InvoiceListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_.rowCount();
}

int InvoiceListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kInvoiceColumnCount;
}

QVariant InvoiceListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= kInvoiceColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return rows_.Cell(index.row(), index.column());
    if (role == Qt::TextAlignmentRole) {
        const bool left = index.column() <= kColumnName;
        return QVariant::fromValue<int>(Qt::AlignVCenter |
                                        (left ? Qt::AlignLeft : Qt::AlignHCenter));
    }
    const QString note = rows_.Note(index.row());
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

void InvoiceListModel::Assign(InvoiceRows rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void InvoiceListModel::SetCell(int row, int column, const QString& text) {
    rows_.SetCell(row, column, text);
    emit dataChanged(index(row, column), index(row, column));
}

void InvoiceListModel::SetNote(int row, const QString& note) {
    rows_.SetNote(row, note);
    emit dataChanged(index(row, 0), index(row, kInvoiceColumnCount - 1));
}

}  // namespace vellumark
