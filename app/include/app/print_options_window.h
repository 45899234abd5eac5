// The print-options dialog ("打印设置"): printer, copies and page range for
// the merged file, and preview, print and cancel.
#pragma once

#include <QDialog>

#include <functional>

class QAbstractSpinBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QUrl;

namespace vellumark {

struct ProgramState;

class PrintOptionsWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int kOuterWidth = 276;
    static constexpr int kOuterHeight = 360;

    // Creating the window runs its initialisation: printers, the page count
    // of the merged file and the range 1 to that count.
    explicit PrintOptionsWindow(ProgramState& state, QWidget* parent = nullptr);

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

    ProgramState& state_;
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
