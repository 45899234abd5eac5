// The print window: its controls, keys and every way of printing, against a
// private CUPS scheduler.
#include "app/print_options_window.h"
#include "core/program_state.h"
#include "cups_test_server.h"
#include "engine/message_box.h"
#include "test_support.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace vellumark {
namespace {

using testing::CupsTestServer;
using testing::StartSuiteServer;
using testing::StopSuiteServer;

void Key(QWidget* widget, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

void Type(QWidget* widget, const QString& text) {
    for (QChar c : text)
        Key(widget, 0, QString(c));
}

class PrintWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = StartSuiteServer({"Alpha", "Beta"}); }
    static void TearDownTestSuite() { StopSuiteServer(server_); }
    void SetUp() override {
        VELLUMARK_REQUIRE_CUPS(server_);
        state_.programDirectory = dir_.path();
        state_.pdfLibrary = testing::Library();
        state_.printPaperLength = 297;
        state_.printOrientation = 1;
        testing::WriteBlankA4Pages(state_.OutputPdf(), 6);
        SetMessageBoxHook(
            [this](const QString& title, const QString& text, QMessageBox::Icon icon) {
                messages_.push_back(title + "|" + text + "|" + QString::number(icon));
            });
    }
    void TearDown() override { SetMessageBoxHook({}); }

    std::unique_ptr<PrintOptionsWindow> Open() {
        return std::make_unique<PrintOptionsWindow>(state_);
    }
    // Clicks "打印" and returns the job it made, or a job with id 0.
    testing::SpooledJob Print(PrintOptionsWindow& window) {
        const size_t before = server_->JobIds().size();
        window.PrintButton()->click();
        const auto ids = server_->JobIds();
        if (ids.size() == before)
            return {};
        return server_->Job(ids.back());
    }

    static CupsTestServer* server_;
    testing::TempDir dir_;
    ProgramState state_;
    std::vector<QString> messages_;
};

CupsTestServer* PrintWindow::server_ = nullptr;

TEST_F(PrintWindow, OpensWithPrintersAndWholeRange) {
    auto window = Open();
    EXPECT_EQ(window->windowTitle(), "打印设置");
    ASSERT_EQ(window->PrinterCombo()->count(), 2);
    EXPECT_EQ(window->PrinterCombo()->itemText(0), "Alpha");
    EXPECT_EQ(window->PrinterCombo()->currentText(), "Beta");
    EXPECT_EQ(state_.mergedPageCount, 6);
    EXPECT_TRUE(window->AllPagesRadio()->isChecked());
    EXPECT_EQ(window->FromPageBox()->text(), "1");
    EXPECT_EQ(window->ToPageBox()->text(), "6");
    EXPECT_FALSE(window->FromPageBox()->isEnabled());
    EXPECT_FALSE(window->CurrentPageBox()->isEnabled());
    EXPECT_EQ(window->CopiesBox()->text(), "1");
    // For looking at the window: VELLUMARK_SCREENSHOT_DIR=... under a display.
    if (const char* shots = std::getenv("VELLUMARK_SCREENSHOT_DIR")) {
        window->show();
        for (int i = 0; i < 20; ++i)
            QApplication::processEvents();
        window->grab().save(QString::fromLocal8Bit(shots) + "/print_window.png");
    }
}

TEST_F(PrintWindow, AllPagesPrintsWholeFileOnA4) {
    auto window = Open();
    window->show();
    const testing::SpooledJob job = Print(*window);
    ASSERT_NE(job.id, 0);
    EXPECT_EQ(job.attributes.at("job-printer-uri").find("/printers/Beta") != std::string::npos,
              true);
    EXPECT_EQ(job.attributes.at("page-ranges"), "1-6");
    EXPECT_EQ(job.attributes.at("media"), "iso_a4_210x297mm");
    EXPECT_EQ(job.attributes.at("orientation-requested"), "portrait");
    EXPECT_EQ(job.attributes.at("copies"), "1");
    EXPECT_EQ(job.attributes.at("print-quality"), "high");
    EXPECT_EQ(job.attributes.at("sides"), "one-sided");
    EXPECT_EQ(testing::PdfPageCount(job.documentPath), 6);
    EXPECT_TRUE(window->isVisible());  // printing does not close the window
}

TEST_F(PrintWindow, CurrentPage) {
    auto window = Open();
    window->CurrentPageRadio()->click();
    EXPECT_TRUE(window->FromPageBox()->text().isEmpty());
    EXPECT_TRUE(window->CurrentPageBox()->isEnabled());
    EXPECT_EQ(Print(*window).id, 0);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0],
              QStringLiteral("提示信息|当前页未填写！|%1").arg(QMessageBox::Information));

    window->CurrentPageBox()->setText("3");
    const testing::SpooledJob job = Print(*window);
    ASSERT_NE(job.id, 0);
    EXPECT_EQ(job.attributes.at("page-ranges"), "3-3");
    EXPECT_EQ(window->FromPageBox()->text(), "3");
    EXPECT_EQ(window->ToPageBox()->text(), "3");
}

TEST_F(PrintWindow, PageRangeCopiesAndPaper) {
    state_.printPaperLength = 148;
    state_.printOrientation = 2;
    auto window = Open();
    window->PageRangeRadio()->click();
    EXPECT_TRUE(window->FromPageBox()->isEnabled());
    EXPECT_FALSE(window->CurrentPageBox()->isEnabled());
    window->FromPageBox()->setText("2");
    window->ToPageBox()->setText("5");
    window->CopiesBox()->findChild<QLineEdit*>()->setText("3");
    testing::SpooledJob job = Print(*window);
    ASSERT_NE(job.id, 0);
    EXPECT_EQ(job.attributes.at("page-ranges"), "2-5");
    EXPECT_EQ(job.attributes.at("copies"), "3");
    EXPECT_EQ(job.attributes.at("media"), "iso_a5_148x210mm");
    EXPECT_EQ(job.attributes.at("orientation-requested"), "landscape");

    // The scheduler refuses a backwards range; the pages between are printed.
    window->FromPageBox()->setText("5");
    window->ToPageBox()->setText("2");
    // Copies 0 is refused by the library: the job goes without copies.
    window->CopiesBox()->findChild<QLineEdit*>()->setText("0");
    job = Print(*window);
    ASSERT_NE(job.id, 0);
    EXPECT_EQ(job.attributes.at("page-ranges"), "2-5");
    EXPECT_EQ(job.attributes.count("copies"), 0u);
}

TEST_F(PrintWindow, ControlsAndKeys) {
    auto window = Open();
    window->show();
    QApplication::processEvents();
    window->CurrentPageRadio()->click();
    EXPECT_FALSE(window->AllPagesRadio()->isChecked());
    window->PageRangeRadio()->click();
    EXPECT_FALSE(window->CurrentPageRadio()->isChecked());
    EXPECT_TRUE(window->PageRangeRadio()->isChecked());

    // Spin arrows stop at 1 and 100.
    QAbstractSpinBox* copies = window->CopiesBox();
    copies->stepBy(-5);
    EXPECT_EQ(copies->text(), "1");
    copies->stepBy(500);
    EXPECT_EQ(copies->text(), "100");
    copies->stepUp();
    EXPECT_EQ(copies->text(), "100");

    // Integer-only boxes.
    window->FromPageBox()->clear();
    Type(window->FromPageBox(), "1a-2");
    EXPECT_EQ(window->FromPageBox()->text(), "12");

    // Enter moves the focus on; it presses no button.
    window->FromPageBox()->setFocus();
    Key(window->FromPageBox(), Qt::Key_Return);
    EXPECT_NE(QApplication::focusWidget(), window->FromPageBox());
    window->PrintButton()->setFocus();
    const size_t jobs = server_->JobIds().size();
    Key(window->PrintButton(), Qt::Key_Return);
    EXPECT_EQ(server_->JobIds().size(), jobs);
    EXPECT_TRUE(window->isVisible());

    // Losing the focus copies the current page into the range.
    window->CurrentPageRadio()->click();
    window->CurrentPageBox()->setFocus();
    Type(window->CurrentPageBox(), "4");
    window->CancelButton()->setFocus();
    EXPECT_EQ(window->FromPageBox()->text(), "4");
    EXPECT_EQ(window->ToPageBox()->text(), "4");

    QUrl opened;
    PrintOptionsWindow::SetOpenUrlHook([&](const QUrl& url) { opened = url; });
    window->PreviewButton()->click();
    PrintOptionsWindow::SetOpenUrlHook({});
    EXPECT_EQ(opened.toLocalFile().toStdString(), state_.OutputPdf());

    // Esc closes this window only.
    Key(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(PrintWindow, CancelCloses) {
    auto window = Open();
    window->show();
    window->CancelButton()->click();
    EXPECT_FALSE(window->isVisible());
}

}  // namespace
}  // namespace vellumark
