// The print-options dialog ("打印设置"): printer, copies and page range for
// the merged file, and preview, print and cancel.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>

class QAbstractSpinBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QThread;
class QUrl;

namespace vellumark {

struct InstalledPrinters;
struct MergedPages;
struct ProgramState;
class PrintService;

class PrintOptionsWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int kOuterWidth = 276;
    static constexpr int kOuterHeight = 360;

    // Creating the window runs its initialisation: printers, the page count
    // of the merged file and the range 1 to that count. The printers and the
    // page count are read off the window's thread and shown when they come;
    // "打印" waits for them.
    explicit PrintOptionsWindow(ProgramState& state, QWidget* parent = nullptr);
    // For tests: the printers, pages and jobs come from `service`.
    PrintOptionsWindow(ProgramState& state, std::unique_ptr<PrintService> service,
                       QWidget* parent = nullptr);
    // Waits for work still running only when the owner destroys the window
    // without closing it; closing waits without blocking (see done()).
    ~PrintOptionsWindow() override;

    // True while the printers and pages are read or a job is sent, on a
    // thread of their own; "打印" and "取消" are disabled meanwhile.
    bool Working() const { return worker_ != nullptr; }

    // Closing (取消, Esc, the title bar) while the window works takes effect
    // as soon as the work has ended and anything that failed has been said:
    // the library must be free again when this window is gone.
    void done(int result) override;

    QComboBox* PrinterCombo() const { return printerCombo_; }
    QAbstractSpinBox* CopiesBox() const { return copiesBox_; }
    QRadioButton* AllPagesRadio() const { return allPagesRadio_; }
    QRadioButton* CurrentPageRadio() const { return currentPageRadio_; }
    QRadioButton* PageRangeRadio() const { return pageRangeRadio_; }
    QLineEdit* CurrentPageBox() const { return currentPageBox_; }
    QLineEdit* FromPageBox() const { return fromPageBox_; }
    QLineEdit* ToPageBox() const { return toPageBox_; }
    QPushButton* PreviewButton() const { return previewButton_; }
    QPushButton* PrintButton() const { return printButton_; }
    QPushButton* CancelButton() const { return cancelButton_; }

    // The handlers of the window's controls.
    void AllPagesClicked();
    void CurrentPageClicked();
    void PageRangeClicked();
    void CurrentPageLeft();
    void PrintClicked();
    void PreviewClicked();

    // Called on the window's thread with the printer's name when a job went
    // to the spooler.
    void OnPrinted(std::function<void(const std::string& printer)> printed) {
        printed_ = std::move(printed);
    }

    // For tests: a function that receives the preview's URL instead of the
    // desktop.
    using OpenUrlHook = std::function<void(const QUrl&)>;
    static void SetOpenUrlHook(OpenUrlHook hook);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildPrinterGroup();
    void BuildCopiesGroup();
    void BuildRangeGroup();
    void Initialise();
    void ShowLoaded(const InstalledPrinters& printers, const MergedPages& pages);
    void SendFinished(const std::string& reason, const std::string& printer);
    // Runs `work` on a worker thread, then `finished` on the window's thread;
    // one at a time.
    void RunOffThread(std::function<void()> work, std::function<void()> finished);
    void SetWorking(bool working);

    ProgramState& state_;
    std::shared_ptr<PrintService> service_;
    std::function<void(const std::string&)> printed_;
    QThread* worker_ = nullptr;
    bool closeWhenIdle_ = false;
    int closeResult_ = 0;
    QString pagesProblem_;
    QString printersProblem_;
    QComboBox* printerCombo_ = nullptr;
    QAbstractSpinBox* copiesBox_ = nullptr;
    QRadioButton* allPagesRadio_ = nullptr;
    QRadioButton* currentPageRadio_ = nullptr;
    QRadioButton* pageRangeRadio_ = nullptr;
    QLineEdit* currentPageBox_ = nullptr;
    QLineEdit* fromPageBox_ = nullptr;
    QLineEdit* toPageBox_ = nullptr;
    QPushButton* previewButton_ = nullptr;
    QPushButton* printButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace vellumark
