// The window's merge: the button "确定", the merge on its worker thread,
// the busy look, the pause before the report, the report and the print
// options.
#include "app/main_window.h"
#include "app/print_options_window.h"
#include "core/printed_ledger.h"
#include "core/program_state.h"
#include "engine/message_box.h"
#include "intake/folder_ops.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QByteArray>
#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QRadioButton>
#include <QThreadPool>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace vellumark {
namespace {

// The report waits this long after the idle look is back.
constexpr int kPauseBeforeReportMs = 1000;

// What the merge's worker hands back to the window.
// Row results on their way to the window. Images ready from the listing
// come in a burst; the window shows all that have arrived in one go rather
// than scrolling the list once per row.
struct PendingResults {
    std::mutex mutex;
    std::vector<RowResult> results;
    bool posted = false;
};

struct MergeWork {
    FolderLocks locks;
    InvoiceRows rows;
    MergeOutcome outcome;
    Listing listing;            // the rows' facts, for the ledger
    std::int64_t mergedAt = 0;  // seconds since the epoch
    std::string ledgerProblem;  // why the merge is not in the ledger
};

// Every row goes onto the sheets but the OFD pages of invoices whose PDF is
// listed: those are placed once, from the PDF.
RowChoice OtherFormatsLeftOff(const Listing& listing) {
    RowChoice choice;
    choice.place = [fromPdf = PlacedFromPdf(listing)] {
        std::vector<RowPlace> places;
        for (const bool other : fromPdf)
            places.push_back(other ? RowPlace::kOtherFormat : RowPlace::kOnSheets);
        return places;
    };
    return choice;
}

}  // namespace

void MainWindow::MergeClicked() {
    if (busy_)
        return;
    WhenFoldersFree(FoldersOfRun(state_.sourceFolder),
                    [this](FolderLocks& locks) { StartMerge(std::move(locks)); });
}

void MainWindow::StartMerge(FolderLocks locks) {
    int choice = -1;
    for (int i = 0; i < kLayoutChoiceCount && choice < 0; ++i) {
        if (layoutChoices_[i]->isChecked())
            choice = i;
    }
    if (choice < 0)
        return;
    ShowBusyLook();
    layoutPanel_->hide();
    // The panel offers A4Two next time, whatever was chosen now.
    for (int i = 0; i < kLayoutChoiceCount; ++i)
        layoutChoices_[i]->setChecked(i == 0);

    const LayoutMode mode = LayoutModeAt(choice);
    auto work = std::make_shared<MergeWork>();
    work->locks = std::move(locks);
    work->rows = rows_.Rows();
    work->listing = listing_;
    work->mergedAt = QDateTime::currentSecsSinceEpoch();
    MergeSettings settings{state_.TempImageFolder(), state_.OutputPdf()};
    settings.ready = readyImages_;
    settings.choice = OtherFormatsLeftOff(listing_);
    auto pending = std::make_shared<PendingResults>();
    const auto arrived = [this, pending](const RowResult& result) {
        const std::lock_guard<std::mutex> lock(pending->mutex);
        pending->results.push_back(result);
        if (std::exchange(pending->posted, true))
            return;
        Later([this, pending] {
            std::vector<RowResult> results;
            {
                const std::lock_guard<std::mutex> lock(pending->mutex);
                results.swap(pending->results);
                pending->posted = false;
            }
            ShowRowResults(results);
        });
    };
    RunInBackground(
        [this, work, settings, mode, arrived] {
            work->outcome =
                MergeInvoices(state_.pdfLibrary, settings, mode, work->rows, arrived, &cancel_);
            if (work->outcome.status == MergeStatus::kSaved) {
                work->ledgerProblem = RecordSavedMerge(
                    work->listing, PlacedRows(work->outcome, work->rows.rowCount()),
                    settings.outputPdf, work->mergedAt);
            }
            work->locks = FolderLocks{};
        },
        [this, work, mode, output = settings.outputPdf] {
            if (work->outcome.status == MergeStatus::kSaved)
                lastMerge_ = {output, work->mergedAt};
            FinishMerge(work->outcome, mode);
            if (!work->ledgerProblem.empty() && !closing_)
                statusLabel_->setText(QStringLiteral("未记录到台账：") +
                                      QString::fromStdString(work->ledgerProblem));
        });
}

void MainWindow::ShowRowResults(const std::vector<RowResult>& results) {
    int last = -1;
    for (const RowResult& result : results) {
        rows_.SetCell(result.row, kColumnProgress, RowStatusText(result.status));
        if (!result.note.isEmpty())
            rows_.SetNote(result.row, result.note);
        last = std::max(last, result.row);
    }
    // Keep the row after the last one finished in view.
    const QModelIndex next = rows_.index(last + 1, 0);
    if (last >= 0 && next.isValid())
        invoiceList_->scrollTo(next);
}

void MainWindow::FinishMerge(const MergeOutcome& outcome, LayoutMode mode) {
    // Rows whose result changed after their render (an image the sheet could
    // not take) show their final state.
    ShowRowResults(outcome.rows);
    ShowIdleLook();
    if (closing_ || outcome.status == MergeStatus::kNothingToMerge ||
        outcome.status == MergeStatus::kCancelled)
        return;
    // The idle look shows for a moment before the report; the report and the
    // print options that follow keep the window busy, so that no intake can
    // remove the merged file under them.
    busy_ = true;
    QTimer::singleShot(kPauseBeforeReportMs, this, [this, outcome, mode] {
        ShowMergeReport(outcome, mode);
        busy_ = false;
    });
}

void MainWindow::ShowMergeReport(const MergeOutcome& outcome, LayoutMode mode) {
    if (closing_)
        return;
    const QString title = QStringLiteral("提示信息");
    if (outcome.status != MergeStatus::kSaved) {
        ShowMessageBox(nullptr, title, MergeMessageText(outcome), QMessageBox::Warning);
        return;
    }
    QString text = MergeMessageText(outcome);
    // Beside the program is where a user looks first; anywhere else is said.
    if (state_.inUserFolders)
        text += QStringLiteral("\r\n已保存：") +
                QFile::decodeName(QByteArray::fromStdString(state_.OutputPdf()));
    ShowMessageBox(nullptr, title, text, QMessageBox::Information);
    if (closing_)
        return;
    const LayoutModeParameters& parameters = ParametersOf(mode);
    state_.printOrientation = parameters.printOrientation;
    state_.printPaperLength = parameters.printPaperLength;
    PrintOptionsWindow dialog(state_);
    dialog.OnPrinted(
        [window = QPointer<MainWindow>(this), merge = lastMerge_](const std::string& printer) {
            // The ledger may be a server far away: the window does not wait for
            // it, and may be gone when it answers; the application outlives the
            // pool's tasks.
            QThreadPool::globalInstance()->start([window, merge, printer] {
                const std::string problem = MarkMergePrinted(merge.first, merge.second, printer);
                if (problem.empty())
                    return;
                qWarning().noquote() << "ledger:" << QString::fromStdString(problem);
                QMetaObject::invokeMethod(
                    qApp,
                    [window, problem] {
                        if (window && !window->closing_)
                            window->statusLabel_->setText(QStringLiteral("未记录到台账：") +
                                                          QString::fromStdString(problem));
                    },
                    Qt::QueuedConnection);
            });
        });
    dialog.exec();
}

}  // namespace vellumark
