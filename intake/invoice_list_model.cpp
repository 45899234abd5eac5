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
    const QString repeat = rows_.Repeat(index.row());
    const QString printed = rows_.PrintedBefore(index.row());
    if (role == Qt::ToolTipRole) {
        QStringList lines;
        for (const QString& line : {note, repeat, printed}) {
            if (!line.isEmpty())
                lines << line;
        }
        return lines.isEmpty() ? QVariant() : QVariant(lines.join(QLatin1Char('\n')));
    }
    if (role == Qt::ForegroundRole && !note.isEmpty())
        return QColor(Qt::red);
    if (role == Qt::BackgroundRole && !printed.isEmpty())
        return kPrintedColour;
    if (role == Qt::BackgroundRole && !repeat.isEmpty())
        return kRepeatColour;
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

void InvoiceListModel::SetRepeats(const std::vector<QString>& repeats) {
    for (int row = 0; row < rows_.rowCount(); ++row)
        rows_.SetRepeat(row,
                        static_cast<std::size_t>(row) < repeats.size() ? repeats[row] : QString());
    if (rows_.rowCount() > 0)
        emit dataChanged(index(0, 0), index(rows_.rowCount() - 1, kInvoiceColumnCount - 1));
}

void InvoiceListModel::SetPrintedBefore(const std::vector<QString>& printed) {
    for (int row = 0; row < rows_.rowCount(); ++row)
        rows_.SetPrintedBefore(
            row, static_cast<std::size_t>(row) < printed.size() ? printed[row] : QString());
    if (rows_.rowCount() > 0)
        emit dataChanged(index(0, 0), index(rows_.rowCount() - 1, kInvoiceColumnCount - 1));
}

void InvoiceListModel::SetNote(int row, const QString& note) {
    rows_.SetNote(row, note);
    emit dataChanged(index(row, 0), index(row, kInvoiceColumnCount - 1));
}

}  // namespace vellumark
