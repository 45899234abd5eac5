// "invoice i of N" on standard error while the merge renders, for a person
// watching a terminal; scripts and logs get nothing.
#pragma once

#include <QObject>

namespace vellumark {
class InvoiceListModel;
}

namespace vellumark::cli {

class TerminalProgress : public QObject {
    Q_OBJECT
public:
    // Follows the progress cells of `rows`; shows nothing unless standard
    // error is a terminal.
    explicit TerminalProgress(InvoiceListModel& rows);
    ~TerminalProgress() override;

    // Clears the progress line so that what follows starts on a clean line.
    void Finish();

private:
    void RowsChanged(int firstRow, int lastRow);

    InvoiceListModel& rows_;
    bool shown_ = false;
    bool active_ = false;
};

}  // namespace vellumark::cli
