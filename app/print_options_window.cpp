#include "app/print_options_window.h"

#include "core/program_state.h"
#include "engine/message_box.h"
#include "engine/window_helpers.h"
#include "printing/print_sequence.h"
#include "printing/printer_list.h"
#include "printing/range_choice.h"
#include "printing/text_number.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStyleFactory>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace vellumark {
namespace {

constexpr int kMinCopies = 1;
constexpr int kMaxCopies = 100;

PrintOptionsWindow::OpenUrlHook& UrlHook() {
    static PrintOptionsWindow::OpenUrlHook hook;
    return hook;
}

// An edit box with spin arrows. The text is free, as in any edit box (so 0
// or 500 can be typed); only the arrows keep to 1..100.
class CopiesSpin : public QAbstractSpinBox {
public:
    explicit CopiesSpin(QWidget* parent) : QAbstractSpinBox(parent) {
        lineEdit()->setText(QStringLiteral("1"));
        setButtonSymbols(QAbstractSpinBox::UpDownArrows);
        setFrame(true);
    }

    void stepBy(int steps) override {
        const long long next = static_cast<long long>(TextToInteger(text())) + steps;
        const long long held = std::clamp<long long>(next, kMinCopies, kMaxCopies);
        lineEdit()->setText(QString::number(held));
    }

protected:
    StepEnabled stepEnabled() const override {
        const int value = TextToInteger(text());
        StepEnabled enabled = StepNone;
        if (value < kMaxCopies)
            enabled |= StepUpEnabled;
        if (value > kMinCopies)
            enabled |= StepDownEnabled;
        return enabled;
    }

    QValidator::State validate(QString&, int&) const override { return QValidator::Acceptable; }
};

QLabel* MakeLabel(QWidget* parent, int left, int top, int width, int height, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(left, top, width, height);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QGroupBox* MakeGroup(QWidget* parent, int left, int top, int width, int height,
                     const QString& title) {
    auto* group = new QGroupBox(title, parent);
    group->setGeometry(left, top, width, height);
    return group;
}

// A single-line edit box that takes digits only.
QLineEdit* MakeNumberBox(QWidget* parent, int left, int top, int width, int height) {
    auto* box = new QLineEdit(parent);
    box->setGeometry(left, top, width, height);
    box->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), box));
    return box;
}

void Apply(const RangeBoxes& boxes, QLineEdit* from, QLineEdit* to, QLineEdit* current) {
    from->setText(boxes.fromText);
    to->setText(boxes.toText);
    current->setText(boxes.currentText);
    from->setEnabled(boxes.fromEnabled);
    to->setEnabled(boxes.toEnabled);
    current->setEnabled(boxes.currentEnabled);
}

}  // namespace

PrintOptionsWindow::PrintOptionsWindow(ProgramState& state, QWidget* parent)
    : QDialog(parent, Qt::Dialog | kFixedWindowButtons), state_(state) {
    setWindowTitle(QStringLiteral("打印设置"));
    setModal(true);
    KeepOuterSizeOnFirstShow(this, kOuterWidth, kOuterHeight);
    BuildPrinterGroup();
    BuildCopiesGroup();
    BuildRangeGroup();
    previewButton_ = MakeButton(this, 23, 296, 56, 24, QStringLiteral("预览"));
    printButton_ = MakeButton(this, 107, 296, 56, 24, QStringLiteral("打印"));
    cancelButton_ = MakeButton(this, 192, 296, 56, 24, QStringLiteral("取消"));
    connect(previewButton_, &QPushButton::clicked, this, [this] { PreviewClicked(); });
    connect(printButton_, &QPushButton::clicked, this, [this] { PrintClicked(); });
    connect(cancelButton_, &QPushButton::clicked, this, [this] { reject(); });

    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    Initialise();
}

void PrintOptionsWindow::BuildPrinterGroup() {
    QGroupBox* group = MakeGroup(this, 16, 9, 238, 64, QStringLiteral("打印机"));
    MakeLabel(group, 15, 24, 66, 24, QStringLiteral("打印机名称："))->setFont(UiFont(12));
    printerCombo_ = new QComboBox(group);
    printerCombo_->setGeometry(86, 26, 136, 20);
}

void PrintOptionsWindow::BuildCopiesGroup() {
    QGroupBox* group = MakeGroup(this, 16, 83, 238, 64, QStringLiteral("打印份数"));
    MakeLabel(group, 25, 24, 56, 24, QStringLiteral("打印份数："));
    copiesBox_ = new CopiesSpin(group);
    copiesBox_->setGeometry(86, 25, 34, 22);
}

void PrintOptionsWindow::BuildRangeGroup() {
    QGroupBox* group = MakeGroup(this, 16, 157, 238, 128, QStringLiteral("打印范围"));
    // Siblings in one group box: checking one unchecks the other two.
    allPagesRadio_ = new QRadioButton(QStringLiteral("全部"), group);
    allPagesRadio_->setGeometry(30, 19, 48, 24);
    currentPageRadio_ = new QRadioButton(QStringLiteral("当前页"), group);
    currentPageRadio_->setGeometry(29, 46, 59, 24);
    currentPageBox_ = MakeNumberBox(group, 91, 46, 39, 22);
    pageRangeRadio_ = new QRadioButton(QStringLiteral("页  码"), group);
    pageRangeRadio_->setGeometry(29, 77, 59, 24);
    fromPageBox_ = MakeNumberBox(group, 90, 76, 39, 22);
    MakeLabel(group, 133, 82, 16, 16, QStringLiteral("-"));
    toPageBox_ = MakeNumberBox(group, 154, 76, 39, 22);
    QLabel* hint =
        MakeLabel(group, 25, 108, 168, 16, QStringLiteral("输入页码或页面范围。如 1-12"));
    SetTextColour(hint, QColor(128, 0, 0));
    for (QRadioButton* radio : {allPagesRadio_, currentPageRadio_, pageRangeRadio_})
        radio->setAutoExclusive(true);
    connect(allPagesRadio_, &QRadioButton::clicked, this, [this] { AllPagesClicked(); });
    connect(currentPageRadio_, &QRadioButton::clicked, this, [this] { CurrentPageClicked(); });
    connect(pageRangeRadio_, &QRadioButton::clicked, this, [this] { PageRangeClicked(); });
}

void PrintOptionsWindow::Initialise() {
    if (auto* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);
    allPagesRadio_->setChecked(true);
    fromPageBox_->setEnabled(false);
    toPageBox_->setEnabled(false);
    currentPageBox_->setEnabled(false);

    const InstalledPrinters printers = ListInstalledPrinters();
    for (const std::string& name : printers.names)
        printerCombo_->addItem(QString::fromUtf8(name), QByteArray::fromStdString(name));
    // A combo box selects its first item by itself; the selection should
    // fall on the default printer only.
    printerCombo_->setCurrentIndex(-1);
    if (const int index = DefaultPrinterIndex(printers); index >= 0)
        printerCombo_->setCurrentIndex(index);

    // The merged file was flushed and renamed into place whole before the
    // merge reported; there is nothing to wait for.
    state_.mergedPageCount = LoadMergedPageCount(state_.pdfLibrary, state_.OutputPdf());
    fromPageBox_->setText(QStringLiteral("1"));
    toPageBox_->setText(QString::number(state_.mergedPageCount));
}

void PrintOptionsWindow::AllPagesClicked() {
    Apply(AllPagesChosen(state_.mergedPageCount), fromPageBox_, toPageBox_, currentPageBox_);
}

void PrintOptionsWindow::CurrentPageClicked() {
    Apply(CurrentPageChosen(), fromPageBox_, toPageBox_, currentPageBox_);
}

void PrintOptionsWindow::PageRangeClicked() {
    Apply(PageRangeChosen(state_.mergedPageCount), fromPageBox_, toPageBox_, currentPageBox_);
}

void PrintOptionsWindow::CurrentPageLeft() {
    fromPageBox_->setText(currentPageBox_->text());
    toPageBox_->setText(currentPageBox_->text());
}

void PrintOptionsWindow::PrintClicked() {
    if (currentPageRadio_->isChecked()) {
        if (currentPageBox_->text().isEmpty()) {
            ShowMessageBox(this, QStringLiteral("提示信息"), QStringLiteral("当前页未填写！"),
                           QMessageBox::Information);
            return;
        }
        CurrentPageLeft();
    }
    PrintRequest request;
    const int index = printerCombo_->currentIndex();
    if (index >= 0)
        request.printerName = printerCombo_->itemData(index).toByteArray().toStdString();
    request.copies = TextToInteger(copiesBox_->text());
    request.firstPage = TextToInteger(fromPageBox_->text());
    request.lastPage = TextToInteger(toPageBox_->text());
    request.paperLengthMm = state_.printPaperLength;
    request.orientation = state_.printOrientation;
    PrintMergedFile(state_.pdfLibrary, request);
}

void PrintOptionsWindow::PreviewClicked() {
    // Built from the path's bytes, so a name that is not UTF-8 survives.
    const QByteArray path = QByteArray::fromStdString(state_.OutputPdf());
    const QUrl url = QUrl::fromEncoded("file://" + path.toPercentEncoding("/"));
    if (UrlHook()) {
        UrlHook()(url);
        return;
    }
    QDesktopServices::openUrl(url);
}

void PrintOptionsWindow::SetOpenUrlHook(OpenUrlHook hook) {
    UrlHook() = std::move(hook);
}

bool PrintOptionsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            focusNextChild();
            return true;
        }
    } else if (event->type() == QEvent::FocusOut && watched == currentPageBox_) {
        CurrentPageLeft();
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace vellumark
