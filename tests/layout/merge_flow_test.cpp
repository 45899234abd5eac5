// The whole merge through the window: intake of a folder, "确定", the
// window's look during and after, the report and the print options.
#include "app/main_window.h"
#include "app/print_options_window.h"
#include "app/startup.h"
#include "engine/message_box.h"
#include "fixtures/invoice_fixtures.h"
#include "test_support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace vellumark {
namespace {

struct Look {
    bool busyShown = false;
    QRect statusPlace;
    bool statusReadable = false;  // the whole text shows, and nothing covers it
    QString status;
    bool panelShown = false;
};

Look LookOf(MainWindow& window) {
    const QLabel* status = window.StatusLabel();
    const bool covered = window.BusyAnimation()->isVisible() &&
                         window.BusyAnimation()->geometry().intersects(status->geometry());
    const bool fits = status->fontMetrics().horizontalAdvance(status->text()) <= status->width();
    return {window.BusyAnimation()->isVisible(), status->geometry(), fits && !covered,
            status->text(), window.LayoutPanel()->isVisible()};
}

class MergeFlowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMessageBoxHook(
            [this](const QString& title, const QString& text, QMessageBox::Icon icon) {
                messages.push_back({title, text, icon});
                lookAtReport = LookOf(*window);
                // The print options follow the report as a modal dialog.
                QTimer::singleShot(0, window.get(), [this] { ClosePrintOptions(); });
            });
        state = CreateProgramState(programDir.path());
        window = std::make_unique<MainWindow>(*state);
        MainWindowCreated(*state, *window);
        window->show();
        ASSERT_TRUE(fixtures::WriteInvoicePdf(folder / "长.pdf", fixtures::TallPage("T")));
        for (const char* name : {"短1.pdf", "短2.pdf", "短3.pdf"})
            ASSERT_TRUE(fixtures::WriteInvoicePdf(folder / name, fixtures::ShortPage(name)));
        idleStatusPlace = window->StatusLabel()->geometry();
        window->FilesDropped(folder.path());
        ASSERT_TRUE(testing::RunEventsUntil([this] { return !window->Busy(); }));
        ASSERT_EQ(window->Rows().rowCount(), 4);
        ASSERT_TRUE(window->LayoutPanel()->isVisible());
    }
    void TearDown() override {
        window.reset();
        ExitCleanup(state);
        SetMessageBoxHook({});
    }
    void ClosePrintOptions() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<PrintOptionsWindow*>(widget);
            if (dialog && dialog->isVisible()) {
                printOptionsOpened = dialog->isModal();
                dialog->reject();
            }
        }
    }
    // Clicks "确定", notes the window's look while the merge runs, and
    // waits until the report and the print options are done with.
    void ClickMerge() {
        window->MergeButton()->click();
        during = LookOf(*window);
        ASSERT_TRUE(testing::RunEventsUntil([this] { return !window->Busy(); }));
    }
    void ExpectIdleLook() {
        const Look after = LookOf(*window);
        EXPECT_FALSE(after.busyShown);
        EXPECT_EQ(after.statusPlace, idleStatusPlace);
        EXPECT_TRUE(after.statusReadable);
        EXPECT_EQ(after.status, QStringLiteral("将下载的数电票PDF文件夹拖入窗口即可。"));
        EXPECT_FALSE(after.panelShown);
        EXPECT_TRUE(window->LayoutChoice(0)->isChecked());
        for (int i = 1; i < MainWindow::kLayoutChoiceCount; ++i)
            EXPECT_FALSE(window->LayoutChoice(i)->isChecked());
        EXPECT_FALSE(window->Busy());
    }

    struct Message {
        QString title, text;
        QMessageBox::Icon icon;
    };
    testing::TempDir programDir;
    testing::TempDir folder;
    std::unique_ptr<ProgramState> state;
    std::unique_ptr<MainWindow> window;
    std::vector<Message> messages;
    std::optional<Look> during;
    std::optional<Look> lookAtReport;
    QRect idleStatusPlace;
    bool printOptionsOpened = false;
};

TEST_F(MergeFlowTest, MergeReportsAndOpensThePrintOptions) {
    window->LayoutChoice(2)->setChecked(true);  // "A4纸4张发票"
    ClickMerge();

    ASSERT_TRUE(during.has_value());
    EXPECT_TRUE(during->busyShown);
    EXPECT_TRUE(during->statusReadable);
    EXPECT_EQ(during->status, QStringLiteral("正在进行发票合并，请耐心等待！"));
    EXPECT_FALSE(during->panelShown);

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("提示信息"));
    EXPECT_EQ(messages[0].text, QStringLiteral("此次共为您\r\n打印了 4 张电子发票；\r\n共需打印 2 "
                                               "张A4纸；\r\n电子发票批量导出成功！"));
    EXPECT_EQ(messages[0].icon, QMessageBox::Information);
    EXPECT_TRUE(printOptionsOpened);
    EXPECT_EQ(state->printOrientation, 2);
    EXPECT_EQ(state->printPaperLength, 297);
    EXPECT_TRUE(testing::Exists(state->OutputPdf()));
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(window->Rows().Cell(row, kColumnProgress), QStringLiteral("已完成"));
    ExpectIdleLook();
}

// The report still opens with its counts; what is not on the sheets follows,
// named with its reason.
TEST_F(MergeFlowTest, ReportNamesWhatIsNotOnTheSheets) {
    ASSERT_TRUE(fixtures::WriteNotAPdf(folder / "坏.pdf"));
    window->FilesDropped(folder.path());
    ASSERT_TRUE(testing::RunEventsUntil([this] { return !window->Busy(); }));
    ASSERT_EQ(window->Rows().rowCount(), 5);
    ClickMerge();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              QStringLiteral("此次共为您\r\n合并打印了 4 张电子发票；\r\n共需打印 "
                             "3 张A4纸；\r\n电子发票批量导出成功！\r\n\r\n"
                             "以下文件未能完整打印：\r\n坏.pdf：不是PDF文件"));
    EXPECT_TRUE(printOptionsOpened);
    for (int row = 0; row < 5; ++row) {
        const bool bad = window->Rows().Cell(row, kColumnName) == QStringLiteral("坏");
        EXPECT_EQ(window->Rows().Cell(row, kColumnProgress),
                  bad ? QStringLiteral("失败") : QStringLiteral("已完成"));
    }
}

// The report comes a moment after the idle look is back, and the window
// handles its events all along.
TEST_F(MergeFlowTest, ReportFollowsTheIdleLook) {
    ClickMerge();
    ASSERT_TRUE(lookAtReport.has_value());
    EXPECT_FALSE(lookAtReport->busyShown);
    EXPECT_EQ(lookAtReport->statusPlace, idleStatusPlace);
}

// Closing the window while the merge runs: it stops at the next invoice,
// the window goes, and no report or print window appears after it.
TEST_F(MergeFlowTest, ClosingDuringAMergeLeavesNoDialogBehind) {
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(fixtures::WriteInvoicePdf(folder / ("多" + std::to_string(i) + ".pdf"),
                                              fixtures::ShortPage(std::to_string(i))));
    }
    window->FilesDropped(folder.path());
    ASSERT_TRUE(testing::RunEventsUntil([this] { return !window->Busy(); }));
    const auto before = testing::ListFolder(folder.path());
    window->MergeButton()->click();
    ASSERT_TRUE(window->Working());
    window->close();
    EXPECT_TRUE(window->isVisible());  // until the merge has stopped
    ASSERT_TRUE(testing::RunEventsUntil([this] { return !window->Working(); }));
    // Long enough for a report that was still to come.
    QElapsedTimer pause;
    pause.start();
    testing::RunEventsUntil([&] { return pause.elapsed() > 1500; });
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(printOptionsOpened);
    for (QWidget* widget : QApplication::topLevelWidgets())
        EXPECT_FALSE(widget->isVisible()) << widget->metaObject()->className();
    EXPECT_EQ(testing::ListFolder(folder.path()), before);
}

TEST_F(MergeFlowTest, FailedSaveWarnsAndRecordsNothing) {
    state->printOrientation = 7;
    state->printPaperLength = 7;
    // A folder where the merged file belongs cannot be replaced by it.
    testing::RemoveTree(state->OutputPdf());
    testing::TempDir blocker;
    ASSERT_EQ(rename(blocker.path().c_str(), state->OutputPdf().c_str()), 0);
    window->LayoutChoice(3)->setChecked(true);  // "A5纸1张发票"
    ClickMerge();

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("提示信息"));
    // The fixed text, then what stood in the way on a line of its own.
    const QStringList lines = messages[0].text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("电子发票批量导出失败！"));
    EXPECT_EQ(lines[1], QString::fromStdString(state->OutputPdf()) +
                            QStringLiteral("：已有同名的文件或文件夹"));
    EXPECT_EQ(messages[0].icon, QMessageBox::Warning);
    EXPECT_FALSE(printOptionsOpened);
    EXPECT_EQ(state->printOrientation, 7);
    EXPECT_EQ(state->printPaperLength, 7);
    ExpectIdleLook();
    rename(state->OutputPdf().c_str(), blocker.path().c_str());
}

}  // namespace
}  // namespace vellumark
