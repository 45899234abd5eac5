// The main window without a display: start state, controls, keys, drops.
#include "app/main_window.h"
#include "app/startup.h"
#include "engine/folder_dialog.h"
#include "engine/frame_player.h"
#include "engine/message_box.h"
#include "engine/window_helpers.h"
#include "intake/invoice_intake.h"
#include "resources/busy_spinner.h"
#include "test_support.h"

#include <sys/stat.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTreeView>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vellumark {
namespace {

struct Message {
    QString title;
    QString text;
    QMessageBox::Icon icon;
};

// One program directory, one state and one window per test, as at start-up.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMessageBoxHook([this](const QString& t, const QString& x, QMessageBox::Icon i) {
            messages.push_back({t, x, i});
        });
        SetFolderDialogHook([this](const QString& title) {
            dialogTitles.push_back(title);
            return dialogAnswer;
        });
        state = CreateProgramState(programDir.path());
        window = std::make_unique<MainWindow>(*state);
        MainWindowCreated(*state, *window);
        window->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        window.reset();
        ExitCleanup(state);
        SetMessageBoxHook({});
        SetFolderDialogHook({});
    }
    void PressKey(QWidget* target, int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(target, &release);
    }

    testing::TempDir programDir;
    std::unique_ptr<ProgramState> state;
    std::unique_ptr<MainWindow> window;
    std::vector<Message> messages;
    std::vector<QString> dialogTitles;
    std::optional<std::string> dialogAnswer;
};

TEST_F(MainWindowTest, StartsWaitingForAFolder) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vellumark V3.0"));
    EXPECT_TRUE(window->UsageNotesLabel()->isVisible());
    EXPECT_FALSE(window->LayoutPanel()->isVisible());
    EXPECT_FALSE(window->BusyAnimation()->isVisible());
    EXPECT_TRUE(window->InvoiceCountLabel()->text().isEmpty());
    EXPECT_EQ(window->StatusLabel()->text(),
              QStringLiteral("将下载的数电票PDF文件夹拖入窗口即可。"));
    EXPECT_EQ(window->TitleLabel()->text(), QStringLiteral("Vellumark"));
    EXPECT_EQ(window->ChooseFolderButton()->text(), QStringLiteral("选择文件夹"));
    EXPECT_TRUE(window->LayoutChoice(0)->isChecked());
    for (int i = 1; i < MainWindow::kLayoutChoiceCount; ++i)
        EXPECT_FALSE(window->LayoutChoice(i)->isChecked()) << i;
    EXPECT_EQ(window->Rows().rowCount(), 0);

    const QStringList notes = window->UsageNotesLabel()->text().split(QLatin1Char('\n'));
    ASSERT_EQ(notes.size(), 14);
    EXPECT_EQ(notes[0], QStringLiteral("软件使用说明："));
    EXPECT_EQ(notes[6],
              QStringLiteral("   3、选择打印模式；（A4纸2张、A4纸3张、A4纸4张、A5纸1张）"));
    EXPECT_EQ(notes[13], QStringLiteral("          2、使用本软件时，请关闭其他PDF阅读器。  "));
    for (int blank : {1, 3, 5, 7, 9, 11})
        EXPECT_TRUE(notes[blank].isEmpty()) << blank;
}

// True when some pixel of what `widget` shows satisfies `colour`.
bool ShowsColour(QWidget* widget, const std::function<bool(QColor)>& colour) {
    const QImage image = widget->grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (colour(image.pixelColor(x, y)))
                return true;
        }
    }
    return false;
}

// Every line of the text fits inside the widget's contents, across and down.
void ExpectTextFits(QWidget* widget, const QString& text) {
    const QFontMetrics metrics(widget->font());
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        EXPECT_LE(metrics.horizontalAdvance(line), widget->contentsRect().width())
            << line.toStdString();
    }
    EXPECT_LE(lines.size() * metrics.lineSpacing(), widget->contentsRect().height())
        << text.toStdString();
}

void ExpectApart(const std::vector<QWidget*>& widgets) {
    for (std::size_t i = 0; i < widgets.size(); ++i) {
        for (std::size_t j = i + 1; j < widgets.size(); ++j) {
            EXPECT_FALSE(widgets[i]->geometry().intersects(widgets[j]->geometry()))
                << widgets[i]->objectName().toStdString() << " covers "
                << widgets[j]->objectName().toStdString();
        }
    }
}

TEST_F(MainWindowTest, EverythingShownFitsAndStaysReadable) {
    // The frame counts towards the outer size once the platform has told
    // the window how wide it is.
    EXPECT_TRUE(testing::RunEventsUntil(
        [this] { return window->frameGeometry().size() == QSize(557, 422); }));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(window->rect().contains(child->geometry())) << child->metaObject()->className();

    // The title, the button, the list and the two texts below it (the busy
    // look is the merge's to show).
    window->TitleLabel()->setObjectName("title");
    window->StatusLabel()->setObjectName("status");
    window->InvoiceCountLabel()->setObjectName("count");
    ExpectApart({window->TitleLabel(), window->ChooseFolderButton(), window->InvoiceList(),
                 window->StatusLabel(), window->InvoiceCountLabel()});

    // The usage notes and the layout panel lie over the list, the panel in
    // the middle of the window.
    EXPECT_TRUE(window->InvoiceList()->geometry().contains(window->UsageNotesLabel()->geometry()));
    const QRect panel = window->LayoutPanel()->geometry();
    EXPECT_TRUE(window->InvoiceList()->geometry().intersects(panel));
    EXPECT_LE(std::abs(panel.center().x() - window->rect().center().x()), 1);
    for (int i = 0; i < MainWindow::kLayoutChoiceCount; ++i) {
        QRadioButton* choice = window->LayoutChoice(i);
        QStyleOptionButton option;
        option.initFrom(choice);
        const QRect text =
            choice->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, choice);
        EXPECT_LE(choice->fontMetrics().horizontalAdvance(choice->text()), text.width())
            << choice->text().toStdString();
        EXPECT_TRUE(window->LayoutPanel()->rect().contains(choice->geometry()));
    }
    EXPECT_TRUE(window->LayoutPanel()->rect().contains(window->MergeButton()->geometry()));

    for (QLabel* label : {window->TitleLabel(), window->UsageNotesLabel(), window->StatusLabel()})
        ExpectTextFits(label, label->text());
    for (QPushButton* button : {window->ChooseFolderButton(), window->MergeButton()})
        ExpectTextFits(button, button->text());
    window->InvoiceCountLabel()->setText(InvoiceCountCaption(9999));
    ExpectTextFits(window->InvoiceCountLabel(), window->InvoiceCountLabel()->text());

    // The colours a user tells the parts apart by.
    EXPECT_TRUE(ShowsColour(window->TitleLabel(), [](QColor c) {
        return c.red() > 90 && c.red() < 180 && c.green() < 50 && c.blue() < 50;
    })) << "the title is dark red";
    EXPECT_TRUE(ShowsColour(window->StatusLabel(), [](QColor c) {
        return c.red() > 200 && c.green() < 80 && c.blue() < 80;
    })) << "the hint is red";
    EXPECT_EQ(window->grab().toImage().pixelColor(2, 2), QColor(202, 224, 245));
}

TEST_F(MainWindowTest, ListHasSevenColumnsWithAHiddenPath) {
    auto* view = qobject_cast<QTreeView*>(window->InvoiceList());
    ASSERT_NE(view, nullptr);
    EXPECT_FALSE(view->rootIsDecorated());
    const QStringList titles = {
        QStringLiteral("序号"), QStringLiteral("                   文件名称"),
        QStringLiteral("页数"), QString(),
        QStringLiteral("页高"), QStringLiteral("页宽"),
        QStringLiteral("进度")};
    ASSERT_EQ(view->model()->columnCount(), 7);
    int total = 0;
    for (int column = 0; column < 7; ++column) {
        EXPECT_EQ(view->model()->headerData(column, Qt::Horizontal).toString(), titles[column]);
        total += view->header()->sectionSize(column);
        // Every title can be read in full.
        EXPECT_LE(view->fontMetrics().horizontalAdvance(titles[column].trimmed()),
                  view->header()->sectionSize(column))
            << column;
    }
    EXPECT_EQ(view->model(), &window->Rows());
    // The path is data, not something to read: its column is shut and
    // cannot be dragged open, and the others fit without scrolling.
    EXPECT_EQ(view->header()->sectionSize(kColumnPath), 0);
    EXPECT_EQ(view->header()->sectionResizeMode(kColumnPath), QHeaderView::Fixed);
    EXPECT_LE(total, view->viewport()->width());
}

TEST_F(MainWindowTest, LayoutChoicesAreExclusive) {
    window->LayoutPanel()->show();
    for (int pick : {3, 1, 4, 0, 2}) {
        window->LayoutChoice(pick)->click();
        for (int i = 0; i < MainWindow::kLayoutChoiceCount; ++i)
            EXPECT_EQ(window->LayoutChoice(i)->isChecked(), i == pick) << pick << " " << i;
    }
}

TEST_F(MainWindowTest, EscClosesAndEnterPressesNothing) {
    window->ChooseFolderButton()->setFocus();
    PressKey(window->ChooseFolderButton(), Qt::Key_Return);
    PressKey(window->ChooseFolderButton(), Qt::Key_Enter);
    EXPECT_TRUE(dialogTitles.empty());
    EXPECT_TRUE(window->isVisible());

    PressKey(window->InvoiceList(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, BusyWindowIgnoresBothEntries) {
    window->SetBusy(true);
    window->ChooseFolderClicked();
    window->FilesDropped("/nowhere");
    EXPECT_TRUE(dialogTitles.empty());
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(window->UsageNotesLabel()->isVisible());
    window->SetBusy(false);
}

TEST_F(MainWindowTest, CancelledDialogStopsTheIntake) {
    testing::WriteFile(state->OutputPdf(), "old result");
    window->ChooseFolderClicked();
    ASSERT_EQ(dialogTitles.size(), 1u);
    EXPECT_EQ(dialogTitles[0], QStringLiteral("请选择软件安装目录"));
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(window->UsageNotesLabel()->isVisible());
    EXPECT_FALSE(window->Busy());
    // The previous result goes all the same, off the window's thread.
    EXPECT_TRUE(testing::RunEventsUntil([&] { return !testing::Exists(state->OutputPdf()); }));
}

TEST_F(MainWindowTest, DropOfTwoFoldersShowsTheTypeMessage) {
    testing::TempDir a;
    testing::TempDir b;
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(a.path())),
                  QUrl::fromLocalFile(QString::fromStdString(b.path()))});
    EXPECT_EQ(DroppedPathsText(data), a.path() + "\r\n" + b.path() + "\r\n");

    // Over the list, whose own area takes no drops: the window does.
    QWidget* over = window->InvoiceList()->viewport();
    QDragEnterEvent enter(QPoint(270, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(over, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(270, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(over, &drop);
    // The intake runs once the drop itself is finished.
    QCoreApplication::sendPostedEvents();
    ASSERT_TRUE(testing::RunEventsUntil([this] { return !window->Busy() && !messages.empty(); }));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("文件类型有误"));
    EXPECT_EQ(messages[0].text, QStringLiteral("请选择包含.pdf的文件夹拖入！"));
    EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(window->Rows().rowCount(), 0);
    EXPECT_FALSE(window->LayoutPanel()->isVisible());
    EXPECT_FALSE(window->Busy());
}

TEST(DroppedPathsText, KeepsTheNamesOwnBytes) {
    QMimeData one;
    // "发票" in GBK, as a name from an archive made on Windows.
    one.setUrls({QUrl::fromEncoded("file:///tmp/%B7%A2%C6%B1")});
    EXPECT_EQ(DroppedPathsText(one), "/tmp/\xB7\xA2\xC6\xB1");
    QMimeData spaced;
    spaced.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a b/发票 %25"))});
    EXPECT_EQ(DroppedPathsText(spaced), "/tmp/a b/发票 %25");
}

TEST(BusySpinner, TwelveGreenFramesThatTurn) {
    const QList<QImage> frames = SpinnerFrames();
    ASSERT_EQ(frames.size(), kSpinnerFrameCount);
    EXPECT_EQ(kSpinnerFrameCount, 12);
    EXPECT_EQ(kSpinnerFrameMs, 100);
    for (const QImage& frame : frames)
        EXPECT_EQ(frame.size(), QSize(48, 48));
    EXPECT_NE(frames[0], frames[1]);
    // The solid spoke of the first frame points straight up, and is green.
    const QColor top = frames[0].pixelColor(24, 8);
    EXPECT_GT(top.alpha(), 200);
    EXPECT_GT(top.green(), 2 * top.red());
    EXPECT_GT(top.green(), 2 * top.blue());
    EXPECT_EQ(frames[0].pixelColor(24, 24).alpha(), 0);
}

TEST_F(MainWindowTest, BusyAnimationPlaysOnlyWhileShown) {
    auto* player = static_cast<FramePlayer*>(window->BusyAnimation());
    EXPECT_FALSE(player->Playing());
    player->show();
    EXPECT_TRUE(player->Playing());
    player->hide();
    EXPECT_FALSE(player->Playing());
}

TEST(StartUp, UnusableLibraryStillOpensTheWindow) {
    testing::TempDir dir;
    ASSERT_EQ(mkdir((dir / "PDFAX18.dll").c_str(), 0755), 0);
    auto state = CreateProgramState(dir.path());
    EXPECT_FALSE(state->pdfLibrary.HasObject());
    {
        MainWindow window(*state);
        MainWindowCreated(*state, window);
        window.show();
        QApplication::processEvents();
        EXPECT_TRUE(window.isVisible());
        EXPECT_TRUE(window.UsageNotesLabel()->isVisible());
    }
    ExitCleanup(state);
    EXPECT_EQ(state, nullptr);
}

}  // namespace
}  // namespace vellumark
