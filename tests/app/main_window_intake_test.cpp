// An intake driven through the window's own entries on generated invoices.
#include "app/main_window.h"
#include "app/startup.h"
#include "cli_process.h"
#include "engine/folder_dialog.h"
#include "engine/message_box.h"
#include "fixtures/invoice_fixtures.h"
#include "intake/folder_lock.h"
#include "page_contents.h"
#include "test_support.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDropEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace vellumark {
namespace {

class WindowIntakeTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMessageBoxHook(
            [this](const QString&, const QString&, QMessageBox::Icon) { ++messageCount; });
        state = CreateProgramState(programDir.path());
        window = std::make_unique<MainWindow>(*state);
        MainWindowCreated(*state, *window);
        window->show();
        // The three-page 发票A and the one-page 发票B of the usual example.
        ASSERT_TRUE(fixtures::WriteInvoicePdf(
            folder / "发票A.pdf",
            {fixtures::ShortPage("A1"), fixtures::ShortPage("A2"), fixtures::ShortPage("A3")}));
        ASSERT_TRUE(fixtures::WriteInvoicePdf(folder / "发票B.pdf", fixtures::TallPage("B")));
    }
    void TearDown() override {
        window.reset();
        ExitCleanup(state);
        SetMessageBoxHook({});
        SetFolderDialogHook({});
    }
    void ExpectListed() {
        EXPECT_EQ(messageCount, 0);
        ASSERT_EQ(window->Rows().rowCount(), 4);
        for (int row = 0; row < 4; ++row) {
            EXPECT_EQ(window->Rows().Cell(row, kColumnNumber), QString::number(row + 1));
            EXPECT_EQ(window->Rows().Cell(row, kColumnProgress), QStringLiteral("等待中"));
        }
        EXPECT_EQ(window->InvoiceCountLabel()->text(), QStringLiteral("导出 4 张电子发票"));
        EXPECT_TRUE(window->LayoutPanel()->isVisible());
        EXPECT_FALSE(window->UsageNotesLabel()->isVisible());
        EXPECT_FALSE(window->Busy());
        EXPECT_EQ(window->InvoiceList()->model()->rowCount(), 4);
    }

    testing::TempDir programDir;
    testing::TempDir folder;
    std::unique_ptr<ProgramState> state;
    std::unique_ptr<MainWindow> window;
    int messageCount = 0;
};

TEST_F(WindowIntakeTest, DroppedFolderIsListed) {
    testing::WriteFile(state->OutputPdf(), "previous result");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(folder.path()))});
    // Over the list, whose own area takes no drops: the window does.
    QWidget* over = window->InvoiceList()->viewport();
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(over, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(over, &drop);
    // The intake runs once the drop itself is finished.
    QCoreApplication::sendPostedEvents();
    ASSERT_TRUE(testing::RunEventsUntil([this] { return !window->Busy(); }));
    ExpectListed();
    EXPECT_EQ(state->sourceFolder, folder.path());
    EXPECT_FALSE(testing::Exists(state->OutputPdf()));
    EXPECT_EQ(testing::ListFolder(folder.path()).size(), 4u);
}

// Another program (here the command) merging the same folder: the window
// says so in its status line, waits without blocking, then takes the folder
// in as that program left it.
TEST_F(WindowIntakeTest, WaitsForAnotherProgramOnTheFolder) {
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(fixtures::WriteInvoicePdf(folder / ("其他" + std::to_string(i) + ".pdf"),
                                              fixtures::ShortPage(std::to_string(i))));
    }
    const auto pages = testing::PagesInFolder(folder.path());
    testing::TempDir output;
    testing::RunningCli command({"merge", folder.path(), "--output", output / "o.pdf"});
    while (FolderLocks::TryLock({folder.path()}).Held() && !command.Exited())
        QThread::msleep(2);
    ASSERT_FALSE(command.Exited()) << "the command finished before the window could meet it";

    window->FilesDropped(folder.path());
    EXPECT_EQ(window->StatusLabel()->text(), QString::fromUtf8(kFolderBusyText));
    EXPECT_EQ(window->Rows().rowCount(), 0);
    EXPECT_TRUE(testing::RunEventsUntil([this] { return window->Rows().rowCount() > 0; }));
    EXPECT_EQ(command.Wait().exitCode, 0);
    EXPECT_EQ(window->Rows().rowCount(), 12);
    EXPECT_EQ(testing::PagesInFolder(folder.path()), pages);
    EXPECT_EQ(window->StatusLabel()->text(),
              QStringLiteral("将下载的数电票PDF文件夹拖入窗口即可。"));
}

// A wait for a folder someone else holds ends at once on Esc, though the
// folder stays held: nothing the window runs waits for the holder.
TEST_F(WindowIntakeTest, EscapeEndsAWaitForAHeldFolder) {
    const FolderLocks held = FolderLocks::TryLock({folder.path()});
    ASSERT_TRUE(held.Held());
    window->FilesDropped(folder.path());
    ASSERT_TRUE(window->WaitingForFolders());
    EXPECT_EQ(window->StatusLabel()->text(), QString::fromUtf8(kFolderBusyText));
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &escape);
    EXPECT_FALSE(window->WaitingForFolders());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->Rows().rowCount(), 0);
}

// Files that cannot be read or split are listed, in red, saying why.
TEST_F(WindowIntakeTest, RowsSayWhatCouldNotBeReadOrSplit) {
    ASSERT_TRUE(fixtures::WriteEncryptedPdf(folder / "加密.pdf", "secret"));
    const std::string longName(255 - std::string("(第9页).pdf").size(), 'n');
    ASSERT_TRUE(fixtures::WriteInvoicePdf(folder / (longName + ".pdf"),
                                          std::vector(10, fixtures::ShortPage("L"))));
    window->FilesDropped(folder.path());
    ASSERT_TRUE(testing::RunEventsUntil([this] { return !window->Busy(); }));
    const InvoiceListModel& rows = window->Rows();
    ASSERT_EQ(rows.rowCount(), 6);
    std::map<QString, std::pair<QString, QString>> problems;  // name -> progress, note
    for (int row = 0; row < rows.rowCount(); ++row) {
        if (!rows.Note(row).isEmpty())
            problems[rows.Cell(row, kColumnName)] = {rows.Cell(row, kColumnProgress),
                                                     rows.Note(row)};
    }
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[QStringLiteral("加密")],
              std::make_pair(QStringLiteral("无法读取"), QStringLiteral("需要密码才能打开")));
    EXPECT_EQ(problems[QString::fromStdString(longName)],
              std::make_pair(QStringLiteral("未拆分"), QStringLiteral("未能拆分：文件名太长")));
    EXPECT_EQ(window->StatusLabel()->text(),
              QStringLiteral("有 2 个文件无法读取或未能拆分（见红色行）"));
    const QModelIndex first = rows.index(0, kColumnName);
    EXPECT_EQ(rows.data(first, Qt::ForegroundRole).isValid(), !rows.Note(0).isEmpty());
}

// A name with "_" must not read like one with a space: the row is tall
// enough for the whole underscore.
TEST_F(WindowIntakeTest, UnderscoresInNamesShow) {
    testing::TempDir names;
    for (const char* name : {"深圳_962_907.55.pdf", "深圳 962 907.55.pdf"})
        ASSERT_TRUE(fixtures::WriteInvoicePdf(names / name, fixtures::ShortPage("S")));
    window->FilesDropped(names.path());
    ASSERT_TRUE(testing::RunEventsUntil([this] { return !window->Busy(); }));
    ASSERT_EQ(window->Rows().rowCount(), 2);
    auto* view = static_cast<QAbstractItemView*>(window->InvoiceList());
    QImage cells[2];
    for (int row = 0; row < 2; ++row) {
        const QRect cell = view->visualRect(window->Rows().index(row, kColumnName));
        // The row number differs; the name alone is compared.
        cells[window->Rows().Cell(row, kColumnName).contains('_') ? 0 : 1] =
            view->viewport()->grab(cell).toImage();
    }
    EXPECT_NE(cells[0], cells[1]);
}

TEST_F(WindowIntakeTest, ChosenFolderIsListed) {
    SetFolderDialogHook([this](const QString&) { return std::optional(folder.path()); });
    window->ChooseFolderClicked();
    ASSERT_TRUE(testing::RunEventsUntil([this] { return !window->Busy(); }));
    ExpectListed();
}

}  // namespace
}  // namespace vellumark
