#include "merge_handler.h"

#include "file_search.h"
#include "main_window.h"
#include "merge_pipeline.h"
#include "message_box.h"
#include "print_options_window.h"
#include "program_state.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QRadioButton>
#include <QThread>

namespace vellumark {
namespace {

constexpr int kBusyStatusLeft = 52;
constexpr int kIdleStatusLeft = 13;
// The report waits this long after the idle look is back.
constexpr unsigned long kPauseBeforeReportMs = 1000;

void ShowBusyLook(MainWindow& window) {
    window.BusyAnimation()->show();
    QLabel* status = window.StatusLabel();
    status->move(kBusyStatusLeft, status->y());
    status->setText(QStringLiteral("正在进行发票合并，请耐心等待！"));
}

void ShowIdleLook(MainWindow& window) {
    window.BusyAnimation()->hide();
    QLabel* status = window.StatusLabel();
    status->move(kIdleStatusLeft, status->y());
    status->setText(QStringLiteral("将下载的数电票PDF文件夹拖入窗口即可。"));
}

// The first checked choice, or -1.
int CheckedChoice(const MainWindow& window) {
    for (int i = 0; i < MainWindow::kLayoutChoiceCount; ++i)
        if (window.LayoutChoice(i)->isChecked())
            return i;
    return -1;
}

// The panel offers A4Two next time, whatever was chosen now.
void ResetChoices(MainWindow& window) {
    for (int i = 0; i < MainWindow::kLayoutChoiceCount; ++i)
        window.LayoutChoice(i)->setChecked(i == 0);
}

// Keeps the window alive during the merge and keeps the next row in view.
void Progress(MainWindow& window, int row) {
    if (row >= 0) {
        const QModelIndex next = window.Rows().index(row + 1, 0);
        if (next.isValid())
            window.InvoiceList()->scrollTo(next);
    }
    PumpMessages();
}

class BusyWindow {
public:
    explicit BusyWindow(MainWindow& window) : window_(window) { window_.SetBusy(true); }
    ~BusyWindow() { window_.SetBusy(false); }
    BusyWindow(const BusyWindow&) = delete;
    BusyWindow& operator=(const BusyWindow&) = delete;

private:
    MainWindow& window_;
};

}  // namespace

void StartMerge(ProgramState& state, MainWindow& window) {
    const int choice = CheckedChoice(window);
    if (choice < 0)
        return;
    // No intake may remove the images under a running merge.
    BusyWindow busy(window);
    ShowBusyLook(window);
    window.LayoutPanel()->hide();
    ResetChoices(window);

    const LayoutMode mode = LayoutModeAt(choice);
    const MergeSettings settings{state.TempImageFolder(), state.OutputPdf()};
    const MergeOutcome outcome = MergeInvoices(state.pdfLibrary, settings, mode, window.Rows(),
                                               [&window](int row) { Progress(window, row); });
    ShowIdleLook(window);
    if (outcome.status == MergeStatus::kNothingToMerge)
        return;
    QThread::msleep(kPauseBeforeReportMs);

    const QString title = QStringLiteral("提示信息");
    if (outcome.status != MergeStatus::kSaved) {
        ShowMessageBox(nullptr, title, MergeMessageText(outcome), QMessageBox::Warning);
        return;
    }
    ShowMessageBox(nullptr, title, MergeMessageText(outcome), QMessageBox::Information);
    const LayoutModeParameters& parameters = ParametersOf(mode);
    state.printOrientation = parameters.printOrientation;
    state.printPaperLength = parameters.printPaperLength;
    PrintOptionsWindow dialog(state);
    dialog.exec();
}

}  // namespace vellumark
