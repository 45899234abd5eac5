// The program's main window: takes the invoice folder, lists the invoices,
// offers the layout choices and starts the merge.
//
// The window's thread only shows things. The intake and the merge run on a
// worker thread of their own, with the library to themselves, and tell the
// window how far they got through queued calls; the window never waits for
// them and never pumps its own events. Closing the window while one of them
// runs stops it at its next safe point (between files, between pages) and
// closes once it has stopped, without any report or print window.
#pragma once

#include "facts/listing.h"
#include "intake/folder_lock.h"
#include "intake/invoice_intake.h"
#include "intake/invoice_list_model.h"
#include "layout/merge_pipeline.h"

#include <QWidget>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAbstractItemView;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QThread;
class QTreeView;

namespace vellumark {

struct ProgramState;
class FramePlayer;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kOuterWidth = 557;
    static constexpr int kOuterHeight = 422;
    static constexpr int kLayoutChoiceCount = 5;

    explicit MainWindow(ProgramState& state, QWidget* parent = nullptr);
    // Stops a worker that is still running and waits for it.
    ~MainWindow() override;

    // Usage notes shown, busy animation and layout panel hidden, first
    // layout choice checked.
    void EnterStartState();

    QLabel* TitleLabel() const { return titleLabel_; }
    QPushButton* ChooseFolderButton() const { return chooseFolderButton_; }
    QAbstractItemView* InvoiceList() const;
    InvoiceListModel& Rows() { return rows_; }
    QLabel* UsageNotesLabel() const { return usageNotesLabel_; }
    QWidget* LayoutPanel() const { return layoutPanel_; }
    // 0..4: "A4纸2张发票", "A4纸3张发票", "A4纸4张发票", "A5纸1张发票", "A4纸2张同样发票".
    QRadioButton* LayoutChoice(int index) const;
    QPushButton* MergeButton() const { return mergeButton_; }
    QWidget* BusyAnimation() const;
    QLabel* StatusLabel() const { return statusLabel_; }
    QLabel* InvoiceCountLabel() const { return invoiceCountLabel_; }

    // While busy (an intake or a merge runs, or its report is pending) no
    // intake and no merge starts: drops and clicks are ignored.
    void SetBusy(bool busy) { busy_ = busy; }
    bool Busy() const { return busy_; }
    // True while an intake or a merge runs on its worker thread.
    bool Working() const { return worker_ != nullptr; }

    // The two intake entries: the click on "选择文件夹" and a drop, whose
    // text is one path, or several each followed by "\r\n".
    void ChooseFolderClicked();
    void FilesDropped(const std::string& text);

    // Runs `work` with `folders` locked for it: at once when no other
    // program holds them, otherwise once they are free, with the status line
    // saying why it waits. A later request replaces one still waiting.
    using LockedWork = std::function<void(FolderLocks& locks)>;
    void WhenFoldersFree(std::vector<std::string> folders, LockedWork work);
    bool WaitingForFolders() const { return folderWait_ != nullptr; }

    // The listed invoices with their facts, as the export writes them.
    const Listing& InvoiceListing() const { return listing_; }
    // The list's right-click menu: "导出发票清单…".
    QMenu* ListMenu() const { return listMenu_; }
    // Asks where to save the listing as CSV and saves it there; a failure
    // is told in a message box, naming the file and why.
    void ExportInvoiceList();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildList();
    void BuildLayoutPanel();
    // The wait for folders another program holds (folder_wait.cpp).
    struct FolderWait;
    void FoldersFreed(const std::shared_ptr<FolderWait>& wait, FolderLocks& locks);
    // What a run on `sourceFolder` holds: that folder, when it is one, and
    // the folders the merge writes into.
    std::vector<std::string> FoldersOfRun(const std::string& sourceFolder) const;
    void StopWaitingForFolders();

    // Runs `work` on a worker thread, then `finished` on this one. The
    // window is busy from the start until `finished` has run.
    void RunInBackground(std::function<void()> work, std::function<void()> finished);
    // Runs `call` on the window's thread as soon as it is free; from a
    // worker thread too. Dropped if the window is gone by then.
    void Later(std::function<void()> call);

    // The intake (intake_handler.cpp).
    void PrepareIntake();
    void RemovePreviousResult();
    void RunIntake(const std::string& sourceFolder);
    void StartIntake(const std::string& sourceFolder, FolderLocks locks);
    void FinishIntake(BuildResult result, InvoiceRows rows, const IntakeReport& report);
    // Relates the listed rows by their facts and colours the repeats
    // (list_export.cpp).
    void ShowFacts(const std::vector<InvoiceFacts>& facts);
    // The listing's sum on the status line, after what the intake met
    // (intake_handler.cpp).
    void ShowSummary(const QString& intakeText, const QString& ledgerText);
    // Colours the rows the ledger says were merged before; returns how many,
    // or why the ledger could not be asked, for the status line.
    QString ShowPrintedBefore(const std::vector<std::string>& printed,
                              const std::string& ledgerProblem);
    void BuildListMenu();

    // The merge (merge_handler.cpp).
    void MergeClicked();
    void StartMerge(FolderLocks locks);
    void FinishMerge(const MergeOutcome& outcome, LayoutMode mode);
    void ShowMergeReport(const MergeOutcome& outcome, LayoutMode mode);
    void ShowRowResults(const std::vector<RowResult>& results);
    void ShowBusyLook();
    void ShowIdleLook();

    ProgramState& state_;
    InvoiceListModel rows_;
    bool busy_ = false;
    // The window is closing: whatever still runs ends without a word.
    bool closing_ = false;
    QLabel* titleLabel_ = nullptr;
    QPushButton* chooseFolderButton_ = nullptr;
    QTreeView* invoiceList_ = nullptr;
    QLabel* usageNotesLabel_ = nullptr;
    QWidget* layoutPanel_ = nullptr;
    std::array<QRadioButton*, kLayoutChoiceCount> layoutChoices_{};
    QPushButton* mergeButton_ = nullptr;
    FramePlayer* busyAnimation_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QLabel* invoiceCountLabel_ = nullptr;
    QMenu* listMenu_ = nullptr;
    Listing listing_;
    // The pages rendered when they were listed, for the merge to take.
    std::vector<ReadyImage> readyImages_;
    // The last saved merge, its file and time, for the ledger to mark printed.
    std::pair<std::string, std::int64_t> lastMerge_;
    std::shared_ptr<FolderWait> folderWait_;
    LockedWork waitingWork_;
    QString statusBeforeWait_;
    QThread* worker_ = nullptr;
    std::atomic<bool> cancel_{false};
};

// The usage notes over the list, one entry per line.
QString UsageNotesText();
// The status line's text when nothing runs.
QString HintText();

}  // namespace vellumark
