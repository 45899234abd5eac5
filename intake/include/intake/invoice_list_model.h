// The invoice rows as the main window's list view shows them.
#pragma once

#include "intake/invoice_rows.h"

#include <QAbstractTableModel>
#include <QColor>

#include <vector>

namespace vellumark {

// The colour of a row that repeats an earlier row's invoice.
inline const QColor kRepeatColour(255, 226, 160);
// The colour of a row whose invoice the ledger says was merged before: the
// costlier risk, so it shows over the repeat colour.
inline const QColor kPrintedColour(196, 222, 255);

class InvoiceListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const InvoiceRows& Rows() const { return rows_; }
    // Shows `rows` instead of the rows shown so far.
    void Assign(InvoiceRows rows);
    void Clear() { Assign({}); }
    void SetCell(int row, int column, const QString& text);
    void SetNote(int row, const QString& note);
    // Marks every row the invoice of an earlier row repeats (`repeats[row]`
    // says with which, empty for the others).
    void SetRepeats(const std::vector<QString>& repeats);
    // Marks every row whose invoice was merged before (`printed[row]` says
    // when and by whom, empty for the others).
    void SetPrintedBefore(const std::vector<QString>& printed);

    QString Cell(int row, int column) const { return rows_.Cell(row, column); }
    std::string Path(int row) const { return rows_.Path(row); }
    QString Note(int row) const { return rows_.Note(row); }
    QString Repeat(int row) const { return rows_.Repeat(row); }
    static QString ColumnTitle(int column) { return InvoiceRows::ColumnTitle(column); }

private:
    InvoiceRows rows_;
};

}  // namespace vellumark
