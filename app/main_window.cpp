#include "app/main_window.h"

#include "core/program_state.h"
#include "engine/frame_player.h"
#include "engine/window_helpers.h"
#include "resources/busy_spinner.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <QTreeView>

#include <utility>

namespace vellumark {
namespace {

const QColor kWindowColour(202, 224, 245);
const QColor kDarkRed(128, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);

constexpr int kColumnWidths[kInvoiceColumnCount] = {40, 310, 36, 0, 40, 40, 50};
constexpr int kBusyStatusLeft = 52;
constexpr int kIdleStatusLeft = 13;

}  // namespace

QString UsageNotesText() {
    const QStringList lines = {
        QStringLiteral("软件使用说明："),
        QString(),
        QStringLiteral("   1、新建一个文件夹，将下载的PDF电子发票放入文件夹中；"),
        QString(),
        QStringLiteral("   2、打开软件，将存放有PDF电子发票文件夹拖入软件界面；"),
        QString(),
        QStringLiteral("   3、选择打印模式；（A4纸2张、A4纸3张、A4纸4张、A5纸1张）"),
        QString(),
        QStringLiteral("   4、软件自动将多个PDF文件进行合并，生成一个PDF文件；"),
        QString(),
        QStringLiteral("   5、进入打印设置，进行打印。（或启动PDF阅读器预览打印）"),
        QString(),
        QStringLiteral("注意事项："),
        QStringLiteral("          2、使用本软件时，请关闭其他PDF阅读器。  "),
    };
    return lines.join(QLatin1Char('\n'));
}

MainWindow::MainWindow(ProgramState& state, QWidget* parent)
    : QWidget(parent, Qt::Window | kFixedWindowButtons), state_(state) {
    setWindowTitle(QStringLiteral("Vellumark V3.0"));
    KeepOuterSizeOnFirstShow(this, kOuterWidth, kOuterHeight);
    FillBackground(this, kWindowColour);
    setFont(UiFont(12));

    titleLabel_ =
        MakeTransparentLabel(this, 134, 16, 282, 32, QStringLiteral("Vellumark"), 21, kDarkRed);
    titleLabel_->setAlignment(Qt::AlignCenter);
    chooseFolderButton_ = MakeButton(this, 456, 20, 72, 24, QStringLiteral("选择文件夹"));
    connect(chooseFolderButton_, &QPushButton::clicked, this, [this] { ChooseFolderClicked(); });

    BuildList();
    usageNotesLabel_ = MakeTransparentLabel(this, 59, 91, 432, 244, UsageNotesText(), 14, kBlue);
    usageNotesLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The notes only cover the list; clicks go through to it.
    usageNotesLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
    BuildLayoutPanel();

    busyAnimation_ = new FramePlayer(this, SpinnerFrames(), kSpinnerFrameMs);
    busyAnimation_->setGeometry(7, 347, 36, 36);
    // Two lines high: the intake's summary may add what the ledger says on a
    // line of its own.
    statusLabel_ = MakeTransparentLabel(this, kIdleStatusLeft, 357, 274, 40, HintText(), 14, kRed);
    statusLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    invoiceCountLabel_ = new QLabel(this);
    invoiceCountLabel_->setGeometry(403, 358, 132, 16);
    invoiceCountLabel_->setTextFormat(Qt::PlainText);
}

void MainWindow::BuildList() {
    invoiceList_ = new QTreeView(this);
    invoiceList_->setGeometry(6, 63, 538, 273);
    // The view shows the rows themselves, so an index of Rows() is an
    // index of the view's model.
    invoiceList_->setModel(&rows_);
    invoiceList_->setRootIsDecorated(false);
    invoiceList_->setItemsExpandable(false);
    invoiceList_->setUniformRowHeights(true);
    GiveRowsRoomForUnderscores(invoiceList_);
    invoiceList_->setAllColumnsShowFocus(true);
    invoiceList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    invoiceList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    invoiceList_->setFrameShape(QFrame::Box);
    invoiceList_->setFrameShadow(QFrame::Plain);
    invoiceList_->setLineWidth(1);
    QPalette palette = invoiceList_->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, kBlue);
    invoiceList_->setPalette(palette);

    QHeaderView* header = invoiceList_->header();
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(0);
    header->setSectionsMovable(false);
    // Titles start at the left edge, as the leading blanks of the name
    // title expect.
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int column = 0; column < kInvoiceColumnCount; ++column)
        header->resizeSection(column, kColumnWidths[column]);
    // The path column stays closed: it carries data, not something to read.
    header->setSectionResizeMode(kColumnPath, QHeaderView::Fixed);
    BuildListMenu();
}

void MainWindow::BuildLayoutPanel() {
    auto* panel = new QFrame(this);
    panel->setGeometry(183, 89, 185, 271);
    panel->setFrameShape(QFrame::Box);
    panel->setFrameShadow(QFrame::Plain);
    panel->setLineWidth(1);
    // Filled, so the rows it covers do not show through.
    FillBackground(panel, kWindowColour);
    layoutPanel_ = panel;

    MakeTransparentLabel(panel, 34, 16, 116, 16, QStringLiteral("选择打印类型"), 19, kDarkRed)
        ->setAlignment(Qt::AlignCenter);
    struct Choice {
        int top;
        int width;
        const char* text;
    };
    static const Choice choices[kLayoutChoiceCount] = {
        {46, 88, "A4纸2张发票"},  {80, 88, "A4纸3张发票"},       {114, 88, "A4纸4张发票"},
        {148, 88, "A5纸1张发票"}, {185, 113, "A4纸2张同样发票"},
    };
    // Siblings in one parent: checking one unchecks the others.
    for (int i = 0; i < kLayoutChoiceCount; ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(choices[i].text), panel);
        radio->setGeometry(48, choices[i].top, choices[i].width, 24);
        radio->setAutoExclusive(true);
        layoutChoices_[i] = radio;
    }
    mergeButton_ = MakeButton(panel, 64, 229, 56, 24, QStringLiteral("确定"));
    connect(mergeButton_, &QPushButton::clicked, this, [this] { MergeClicked(); });
}

QAbstractItemView* MainWindow::InvoiceList() const {
    return invoiceList_;
}

QWidget* MainWindow::BusyAnimation() const {
    return busyAnimation_;
}

QRadioButton* MainWindow::LayoutChoice(int index) const {
    if (index < 0 || index >= kLayoutChoiceCount)
        return nullptr;
    return layoutChoices_[index];
}

QString HintText() {
    return QStringLiteral("将下载的数电票PDF文件夹拖入窗口即可。");
}

void MainWindow::ShowBusyLook() {
    busyAnimation_->show();
    statusLabel_->move(kBusyStatusLeft, statusLabel_->y());
    statusLabel_->setText(QStringLiteral("正在进行发票合并，请耐心等待！"));
    statusLabel_->setToolTip({});
}

void MainWindow::ShowIdleLook() {
    busyAnimation_->hide();
    statusLabel_->move(kIdleStatusLeft, statusLabel_->y());
    statusLabel_->setText(HintText());
}

void MainWindow::EnterStartState() {
    usageNotesLabel_->show();
    busyAnimation_->hide();
    layoutPanel_->hide();
    layoutChoices_[0]->setChecked(true);
}

MainWindow::~MainWindow() {
    closing_ = true;
    cancel_ = true;
    StopWaitingForFolders();
    if (worker_) {
        worker_->wait();
        delete worker_;
    }
}

void MainWindow::RunInBackground(std::function<void()> work, std::function<void()> finished) {
    busy_ = true;
    cancel_ = false;
    worker_ = QThread::create(std::move(work));
    connect(worker_, &QThread::finished, this, [this, finished = std::move(finished)] {
        worker_->deleteLater();
        worker_ = nullptr;
        busy_ = false;
        finished();
        if (closing_)
            close();
    });
    worker_->start();
}

void MainWindow::Later(std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    closing_ = true;
    StopWaitingForFolders();
    if (!worker_) {
        QWidget::closeEvent(event);
        return;
    }
    // Whatever runs stops at its next safe point; the window closes then.
    cancel_ = true;
    statusLabel_->setText(QStringLiteral("正在停止，请稍候…"));
    event->ignore();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!busy_ && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (!busy_ && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    if (busy_ || !event->mimeData()->hasUrls())
        return;
    event->acceptProposedAction();
    // Run after the drop is finished, so the file manager is not kept
    // waiting for the whole intake.
    QTimer::singleShot(0, this,
                       [this, text = DroppedPathsText(*event->mimeData())] { FilesDropped(text); });
}

}  // namespace vellumark
