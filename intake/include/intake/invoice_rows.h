// The rows of the invoice list as plain data: seven text cells each, the
// file's path as the platform's bytes, and a note on what is wrong with the
// file. The intake and the merge work on these on any thread; the window
// shows them through InvoiceListModel.
#pragma once

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

class InvoiceRows {
public:
    int rowCount() const { return static_cast<int>(rows_.size()); }
    void Clear() { rows_.clear(); }
    void AppendRow() { rows_.emplace_back(); }
    void InsertRowAtTop() { rows_.insert(rows_.begin(), Row{}); }

    QString Cell(int row, int column) const;
    void SetCell(int row, int column, const QString& text);

    // The path column as the platform's bytes. Writing it also sets the
    // shown text; writing the shown text alone would lose names that are
    // not UTF-8, so the path travels with its cells.
    std::string Path(int row) const;
    void SetPath(int row, const std::string& path);

    // What is wrong with the row's file, in the user's words (empty when
    // nothing is).
    QString Note(int row) const;
    void SetNote(int row, const QString& note);

    // Set on a row whose invoice an earlier row already holds: which row,
    // and by what it is known to be the same (empty on every other row).
    QString Repeat(int row) const;
    void SetRepeat(int row, const QString& repeat);

    static QString ColumnTitle(int column);

private:
    struct Row {
        QString cells[kInvoiceColumnCount];
        std::string path;
        QString note;
        QString repeat;
    };
    bool Valid(int row) const { return row >= 0 && row < rowCount(); }

    std::vector<Row> rows_;
};

}  // namespace vellumark
