#include "terminal_progress.h"

#include "invoice_list_model.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace vellumark::cli {

TerminalProgress::TerminalProgress(InvoiceListModel& rows)
    : rows_(rows), active_(isatty(STDERR_FILENO) == 1) {
    if (!active_)
        return;
    connect(&rows_, &InvoiceListModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                RowsChanged(topLeft.row(), bottomRight.row());
            });
}

TerminalProgress::~TerminalProgress() {
    Finish();
}

void TerminalProgress::RowsChanged(int firstRow, int lastRow) {
    // The merge marks a row done once its image is rendered; the last such
    // row tells how far it got.
    int done = -1;
    for (int row = firstRow; row <= lastRow; ++row) {
        if (rows_.Cell(row, kColumnProgress) == QStringLiteral("已完成"))
            done = row;
    }
    if (done < 0)
        return;
    const std::string line = "\r正在渲染发票 " + std::to_string(done + 1) + " / " +
                             std::to_string(rows_.rowCount()) + "\x1b[K";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    shown_ = true;
}

void TerminalProgress::Finish() {
    if (!shown_)
        return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    shown_ = false;
}

}  // namespace vellumark::cli
