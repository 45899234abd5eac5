// The rows of the invoice list: seven text cells each, shown by the main
// window's list view and read and written by the intake and the merge
// without a display.
#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <string>
#include <vector>

namespace vellumark {

enum InvoiceColumn : int {
    kColumnNumber = 0,    // "序号"
    kColumnName = 1,      // file name without extension
    kColumnPages = 2,     // "页数"
    kColumnPath = 3,      // full path, hidden
    kColumnHeight = 4,    // "页高", whole millimetres
    kColumnWidth = 5,     // "页宽"
    kColumnProgress = 6,  // "进度"
    kInvoiceColumnCount = 7,
};

class InvoiceListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void Clear();
    void AppendRow();
    void InsertRowAtTop();
    QString Cell(int row, int column) const;
    void SetCell(int row, int column, const QString& text);

    // The path column as the platform's bytes. Writing it also sets the
    // shown text; writing the shown text alone would lose names that are
    // not UTF-8, so the path travels with its cells.
    std::string Path(int row) const;
    void SetPath(int row, const std::string& path);

    // What is wrong with the row's file, in the user's words (empty when
    // nothing is): shown as the row's tooltip, and the row in red.
    QString Note(int row) const;
    void SetNote(int row, const QString& note);

    static QString ColumnTitle(int column);

private:
    struct Row {
        QString cells[kInvoiceColumnCount];
        std::string path;
        QString note;
    };
    std::vector<Row> rows_;
};

}  // namespace vellumark
