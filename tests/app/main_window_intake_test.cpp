// An intake driven through the window's own entries on generated invoices.
#include "folder_dialog.h"
#include "invoice_fixtures.h"
#include "main_window.h"
#include "message_box.h"
#include "startup.h"
#include "test_support.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

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
    QApplication::processEvents(QEventLoop::AllEvents, 100);
    ExpectListed();
    EXPECT_EQ(state->sourceFolder, folder.path());
    EXPECT_FALSE(testing::Exists(state->OutputPdf()));
    EXPECT_EQ(testing::ListFolder(folder.path()).size(), 4u);
}

TEST_F(WindowIntakeTest, ChosenFolderIsListed) {
    SetFolderDialogHook([this](const QString&) { return std::optional(folder.path()); });
    window->ChooseFolderClicked();
    ExpectListed();
}

}  // namespace
}  // namespace vellumark
