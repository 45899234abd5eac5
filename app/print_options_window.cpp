#include "app/print_options_window.h"

#include "core/program_state.h"
#include "engine/message_box.h"
#include "engine/window_helpers.h"
#include "printing/print_form.h"
#include "printing/print_service.h"
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
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace vellumark {
namespace {

PrintOptionsWindow::OpenUrlHook& UrlHook() {
    static PrintOptionsWindow::OpenUrlHook hook;
    return hook;
}

// An edit box with spin arrows. The text is free, as in any edit box (so 0
// or 500 can be typed, and "打印" refuses it); only the arrows keep to 1..100.
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
    : PrintOptionsWindow(state, MakePrintService(state.pdfLibrary), parent) {}

PrintOptionsWindow::PrintOptionsWindow(ProgramState& state, std::unique_ptr<PrintService> service,
                                       QWidget* parent)
    : QDialog(parent, Qt::Dialog | kFixedWindowButtons),
      state_(state),
      service_(std::move(service)) {
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

PrintOptionsWindow::~PrintOptionsWindow() {
    if (worker_) {
        worker_->wait();
        delete worker_;
    }
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

    fromPageBox_->setText(QStringLiteral("1"));
    struct Loaded {
        InstalledPrinters printers;
        MergedPages pages;
    };
    auto loaded = std::make_shared<Loaded>();
    // The merged file was flushed and renamed into place whole before the
    // merge reported; there is nothing to wait for.
    RunOffThread(
        [service = service_, loaded, path = state_.OutputPdf()] {
            loaded->printers = service->ListPrinters();
            loaded->pages = service->ReadPages(path);
        },
        [this, loaded] { ShowLoaded(loaded->printers, loaded->pages); });
}

void PrintOptionsWindow::ShowLoaded(const InstalledPrinters& printers, const MergedPages& pages) {
    for (const std::string& name : printers.names)
        printerCombo_->addItem(QString::fromUtf8(name), QByteArray::fromStdString(name));
    // A combo box selects its first item by itself; the selection should
    // fall on the default printer only.
    printerCombo_->setCurrentIndex(-1);
    if (const int index = DefaultPrinterIndex(printers); index >= 0)
        printerCombo_->setCurrentIndex(index);
    printersProblem_ = QString::fromStdString(printers.problem);

    state_.mergedPageCount = pages.count;
    pagesProblem_ = QString::fromStdString(pages.problem);
    if (allPagesRadio_->isChecked())
        AllPagesClicked();
    else if (pageRangeRadio_->isChecked())
        PageRangeClicked();

    // Said now, where the user looks for the printers and the range; a user
    // who is already leaving has no use for it.
    QStringList problems;
    if (!printersProblem_.isEmpty())
        problems << QStringLiteral("无法列出打印机：") + printersProblem_;
    if (!pagesProblem_.isEmpty())
        problems << QStringLiteral("无法读取合并后的文件：") + pagesProblem_;
    if (!problems.isEmpty() && !closeWhenIdle_)
        ShowMessageBox(this, QStringLiteral("提示信息"), problems.join(QStringLiteral("\r\n")),
                       QMessageBox::Warning);
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
    if (worker_)
        return;
    PrintForm form;
    form.currentPageChosen = currentPageRadio_->isChecked();
    form.currentPageText = currentPageBox_->text();
    if (form.currentPageChosen && !form.currentPageText.isEmpty())
        CurrentPageLeft();
    form.fromText = fromPageBox_->text();
    form.toText = toPageBox_->text();
    form.copiesText = copiesBox_->text();
    form.pageCount = state_.mergedPageCount;
    form.pagesProblem = pagesProblem_;
    form.printerCount = printerCombo_->count();
    form.printerChosen = printerCombo_->currentIndex() >= 0;
    form.printersProblem = printersProblem_;
    const CheckedForm checked = CheckPrintForm(form);
    if (!checked.refusal.isEmpty()) {
        ShowMessageBox(this, QStringLiteral("提示信息"), checked.refusal, QMessageBox::Information);
        return;
    }
    PrintRequest request;
    request.printerName =
        printerCombo_->itemData(printerCombo_->currentIndex()).toByteArray().toStdString();
    request.copies = checked.copies;
    request.firstPage = checked.firstPage;
    request.lastPage = checked.lastPage;
    request.paperLengthMm = state_.printPaperLength;
    request.orientation = state_.printOrientation;
    auto reason = std::make_shared<std::string>();
    RunOffThread([service = service_, request, reason] { *reason = service->Send(request); },
                 [this, reason, printer = request.printerName] { SendFinished(*reason, printer); });
}

void PrintOptionsWindow::SendFinished(const std::string& reason, const std::string& printer) {
    // Said even to a user who asked to close meanwhile: the job they asked
    // for did not go.
    if (!reason.empty())
        ShowMessageBox(this, QStringLiteral("提示信息"),
                       QStringLiteral("打印失败：") + QString::fromStdString(reason),
                       QMessageBox::Warning);
    else if (printed_)
        printed_(printer);
}

void PrintOptionsWindow::RunOffThread(std::function<void()> work, std::function<void()> finished) {
    SetWorking(true);
    worker_ = QThread::create(std::move(work));
    connect(worker_, &QThread::finished, this, [this, finished = std::move(finished)] {
        worker_->deleteLater();
        worker_ = nullptr;
        SetWorking(false);
        finished();
        if (closeWhenIdle_)
            QDialog::done(closeResult_);
    });
    worker_->start();
}

void PrintOptionsWindow::SetWorking(bool working) {
    printButton_->setEnabled(!working);
    cancelButton_->setEnabled(!working);
    if (working)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void PrintOptionsWindow::done(int result) {
    if (worker_) {
        closeWhenIdle_ = true;
        closeResult_ = result;
        return;
    }
    QDialog::done(result);
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
