// The rows of the invoice list as plain data: each file's path as the
// platform's bytes, its page count and first-page size as numbers, the
// name and progress the list shows, and a note on what is wrong with the
// file. The intake and the merge work on these on any thread; the window
// shows them through InvoiceListModel, and Cell() is the one place numbers
// become the list's text.
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

// What a row's file is. A PDF row is a file of its own (a multi-page PDF is
// split into one file per page); an OFD package is never split on disk, so
// each of its pages is a row that names the package and the page.
enum class InvoiceFormat { kPdf, kOfd };

class InvoiceRows {
public:
    int rowCount() const { return static_cast<int>(rows_.size()); }
    void Clear() { rows_.clear(); }
    void AppendRow() { rows_.emplace_back(); }
    void InsertRowAtTop() { rows_.insert(rows_.begin(), Row{}); }

    // A cell as the list shows it.
    QString Cell(int row, int column) const;
    // The text columns: the name and the progress. Numbers and the path
    // have setters of their own.
    void SetCell(int row, int column, const QString& text);

    int Order(int row) const { return Valid(row) ? rows_[row].order : 0; }
    void SetOrder(int row, int order);
    int Pages(int row) const { return Valid(row) ? rows_[row].pages : 0; }
    void SetPages(int row, int pages);
    // The first page's size in millimetres, as the list shows it.
    double HeightMm(int row) const { return Valid(row) ? rows_[row].heightMm : 0; }
    double WidthMm(int row) const { return Valid(row) ? rows_[row].widthMm : 0; }
    void SetSize(int row, double widthMm, double heightMm);

    // The path as the platform's bytes; the shown text is made from it, so
    // names that are not UTF-8 survive.
    std::string Path(int row) const;
    void SetPath(int row, const std::string& path);

    InvoiceFormat Format(int row) const {
        return Valid(row) ? rows_[row].format : InvoiceFormat::kPdf;
    }
    // The row's page of its file, from 1: always 1 for a PDF row.
    int Page(int row) const { return Valid(row) ? rows_[row].page : 1; }
    void SetPage(int row, InvoiceFormat format, int page);

    // What is wrong with the row's file, in the user's words (empty when
    // nothing is).
    QString Note(int row) const;
    void SetNote(int row, const QString& note);

    // Set on a row whose invoice an earlier row already holds: which row,
    // and by what it is known to be the same (empty on every other row).
    QString Repeat(int row) const;
    void SetRepeat(int row, const QString& repeat);
    // When the row's invoice was merged and printed before, in words; empty
    // when the ledger does not know it.
    QString PrintedBefore(int row) const;
    void SetPrintedBefore(int row, const QString& printed);

    // Puts the rows in this order: `order[i]` is the row that becomes row i.
    void Reorder(const std::vector<int>& order);

    static QString ColumnTitle(int column);

private:
    struct Row {
        int order = 0;
        QString name;
        int pages = 0;
        std::string path;
        InvoiceFormat format = InvoiceFormat::kPdf;
        int page = 1;
        double heightMm = 0;
        double widthMm = 0;
        QString progress;
        QString note;
        QString repeat;
        QString printedBefore;
    };
    bool Valid(int row) const { return row >= 0 && row < rowCount(); }

    std::vector<Row> rows_;
};

}  // namespace vellumark
