// The program's main window: takes the invoice folder, lists the invoices,
// offers the layout choices and starts the merge.
#pragma once

#include "folder_lock.h"
#include "invoice_list_model.h"

#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <string>
#include <vector>

class QAbstractItemView;
class QLabel;
class QPushButton;
class QRadioButton;
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

    // While busy (an intake or a merge runs) no intake and no merge starts:
    // drops and clicks are ignored.
    void SetBusy(bool busy) { busy_ = busy; }
    bool Busy() const { return busy_; }

    // The two intake entries: the click on "选择文件夹" and a drop, whose
    // text is one path, or several each followed by "\r\n".
    void ChooseFolderClicked();
    void FilesDropped(const std::string& text);

    // Runs `work` with `folders` locked for it: at once when no other
    // program holds them, otherwise once they are free, with the status line
    // saying why it waits. A later request replaces one still waiting.
    using LockedWork = std::function<void(FolderLocks& locks)>;
    void WhenFoldersFree(std::vector<std::string> folders, LockedWork work);
    bool WaitingForFolders() const { return lockRetry_.isActive(); }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildList();
    void BuildLayoutPanel();
    void MergeClicked();
    // The part of the preparation both entries share before the source path.
    void PrepareIntake();
    void RunIntake(const std::string& sourceFolder);
    void BuildWithFoldersLocked(const std::string& sourceFolder);
    void RetryLocks();

    ProgramState& state_;
    InvoiceListModel rows_;
    bool busy_ = false;
    bool placed_ = false;
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
    QTimer lockRetry_;
    std::vector<std::string> waitingFolders_;
    LockedWork waitingWork_;
    QString statusBeforeWait_;
};

// The usage notes over the list, one entry per line.
QString UsageNotesText();

}  // namespace vellumark
