// The print window: its controls, keys and every way of printing, against a
// private CUPS scheduler.
#include "app/print_options_window.h"
#include "core/program_state.h"
#include "cups_test_server.h"
#include "engine/message_box.h"
#include "printing/print_service.h"
#include "test_support.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <semaphore>

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
    static void SetUpTestSuite() { server_ = StartSuiteServer({"Alpha", "Closed", "Beta"}); }
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

    // The window once its printers and page count are in.
    std::unique_ptr<PrintOptionsWindow> Open() {
        auto window = std::make_unique<PrintOptionsWindow>(state_);
        EXPECT_TRUE(testing::RunEventsUntil([&] { return !window->Working(); }));
        return window;
    }
    // Clicks "打印" and returns the job it made, or a job with id 0.
    testing::SpooledJob Print(PrintOptionsWindow& window) {
        const size_t before = server_->JobIds().size();
        window.PrintButton()->click();
        EXPECT_TRUE(testing::RunEventsUntil([&] { return !window.Working(); }));
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
    ASSERT_EQ(window->PrinterCombo()->count(), 3);
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
    const testing::SpooledJob job = Print(*window);
    ASSERT_NE(job.id, 0);
    EXPECT_EQ(job.attributes.at("page-ranges"), "2-5");
    EXPECT_EQ(job.attributes.at("copies"), "3");
    EXPECT_EQ(job.attributes.at("media"), "iso_a5_148x210mm");
    EXPECT_EQ(job.attributes.at("orientation-requested"), "landscape");
}

// Copies and pages that cannot be printed as typed are refused, saying what
// is wrong; nothing is changed into something printable and nothing is sent.
TEST_F(PrintWindow, RefusesImpossibleCopiesAndPages) {
    enum Choice { kAll, kCurrent, kRange };
    struct Case {
        Choice choice;
        const char* page;  // the current page, or "from-to"
        const char* copies;
        const char* said;
    };
    const Case cases[] = {
        {kCurrent, "", "1", "当前页未填写！"},
        {kCurrent, "9", "1", "页码“9”超出范围：合并后的文件共 6 页！"},
        {kRange, "5-2", "1", "起始页码 5 大于结束页码 2！"},
        {kRange, "0-3", "1", "页码“0”超出范围：合并后的文件共 6 页！"},
        {kRange, "2-7", "1", "页码“7”超出范围：合并后的文件共 6 页！"},
        {kRange, "-3", "1", "页码未填写！"},
        {kAll, "", "", "打印份数未填写！"},
        {kAll, "", "0", "打印份数“0”无效，应为 1 到 100 之间的整数！"},
        {kAll, "", "-2", "打印份数“-2”无效，应为 1 到 100 之间的整数！"},
        {kAll, "", "abc", "打印份数“abc”无效，应为 1 到 100 之间的整数！"},
        {kAll, "", "2.5", "打印份数“2.5”无效，应为 1 到 100 之间的整数！"},
        {kAll, "", "101", "打印份数“101”无效，应为 1 到 100 之间的整数！"},
        {kAll, "", "99999999999", "打印份数“99999999999”无效，应为 1 到 100 之间的整数！"},
    };
    auto window = Open();
    for (const Case& c : cases) {
        const QString page = QString::fromUtf8(c.page);
        if (c.choice == kAll) {
            window->AllPagesRadio()->click();
        } else if (c.choice == kCurrent) {
            window->CurrentPageRadio()->click();
            window->CurrentPageBox()->setText(page);
        } else {
            window->PageRangeRadio()->click();
            window->FromPageBox()->setText(page.section('-', 0, 0));
            window->ToPageBox()->setText(page.section('-', 1, 1));
        }
        window->CopiesBox()->findChild<QLineEdit*>()->setText(QString::fromUtf8(c.copies));
        messages_.clear();
        EXPECT_EQ(Print(*window).id, 0) << c.said;
        EXPECT_EQ(messages_, std::vector<QString>{QStringLiteral("提示信息|%1|%2")
                                                      .arg(QString::fromUtf8(c.said))
                                                      .arg(QMessageBox::Information)});
    }
    // No printer chosen (no default printer): nothing goes to a guessed one.
    window->CopiesBox()->findChild<QLineEdit*>()->setText("1");
    window->PrinterCombo()->setCurrentIndex(-1);
    messages_.clear();
    EXPECT_EQ(Print(*window).id, 0);
    EXPECT_EQ(messages_,
              std::vector<QString>{
                  QStringLiteral("提示信息|请选择打印机！|%1").arg(QMessageBox::Information)});
}

// A queue that takes no jobs: the window says so, with the spooler's reason.
TEST_F(PrintWindow, RefusedJobIsSaid) {
    ASSERT_TRUE(server_->Reject("Closed"));
    auto window = Open();
    window->PrinterCombo()->setCurrentIndex(window->PrinterCombo()->findText("Closed"));
    EXPECT_EQ(Print(*window).id, 0);
    ASSERT_EQ(messages_.size(), 1u);
    const QString said = QStringLiteral("提示信息|打印失败：打印服务拒绝了任务：");
    const QString icon = QStringLiteral("|%1").arg(QMessageBox::Warning);
    EXPECT_TRUE(messages_[0].startsWith(said) && messages_[0].endsWith(icon))
        << messages_[0].toStdString();
    EXPECT_GT(messages_[0].size(), said.size() + icon.size()) << "no reason given";
}

// A spooler that cannot be reached and a merged file that is gone are said
// as the window opens, and "打印" says why it cannot print.
TEST_F(PrintWindow, OpeningSaysWhatCannotBeRead) {
    std::remove(state_.OutputPdf().c_str());
    // Workers ask the spooler named here; this thread keeps the test's.
    const std::string server = std::getenv("CUPS_SERVER");
    setenv("CUPS_SERVER", "127.0.0.1:1", 1);
    auto window = Open();
    setenv("CUPS_SERVER", server.c_str(), 1);
    EXPECT_EQ(window->PrinterCombo()->count(), 0);
    EXPECT_EQ(messages_,
              std::vector<QString>{
                  QStringLiteral("提示信息|无法列出打印机：打印服务没有运行或无法连接\r\n"
                                 "无法读取合并后的文件：文件不存在|%1")
                      .arg(QMessageBox::Warning)});
    messages_.clear();
    EXPECT_EQ(Print(*window).id, 0);
    EXPECT_EQ(messages_,
              std::vector<QString>{QStringLiteral("提示信息|无法读取合并后的文件：文件不存在|%1")
                                       .arg(QMessageBox::Information)});
}

// The real printers, pages and spooler, noting the thread of each call; a
// job waits at the gate until the test opens it.
class WatchedService : public PrintService {
public:
    explicit WatchedService(PdfLibrary& library) : real_(MakePrintService(library)) {}
    InstalledPrinters ListPrinters() override {
        Note();
        return real_->ListPrinters();
    }
    MergedPages ReadPages(const std::string& mergedPdf) override {
        Note();
        return real_->ReadPages(mergedPdf);
    }
    std::string Send(const PrintRequest& request) override {
        Note();
        // Held on the window's thread, nothing could open the gate.
        if (QThread::currentThread() != qApp->thread()) {
            held = true;
            gate.acquire();
        }
        return real_->Send(request);
    }
    std::vector<QThread*> Threads() {
        std::lock_guard lock(mutex_);
        return threads_;
    }

    std::atomic<bool> held{false};
    std::binary_semaphore gate{0};

private:
    void Note() {
        std::lock_guard lock(mutex_);
        threads_.push_back(QThread::currentThread());
    }
    std::unique_ptr<PrintService> real_;
    std::mutex mutex_;
    std::vector<QThread*> threads_;
};

// The printers, the page count and the job are all fetched and sent off
// the window's thread, which goes on taking keys while a job is on its way.
TEST_F(PrintWindow, ReadsAndSendsOffTheWindowsThread) {
    auto* service = new WatchedService(state_.pdfLibrary);
    PrintOptionsWindow window(state_, std::unique_ptr<PrintService>(service));
    window.show();
    ASSERT_TRUE(testing::RunEventsUntil([&] { return !window.Working(); }));
    ASSERT_EQ(window.PrinterCombo()->currentText(), "Beta");
    const size_t before = server_->JobIds().size();
    window.PrintButton()->click();
    ASSERT_TRUE(testing::RunEventsUntil([&] { return service->held || !window.Working(); }));
    ASSERT_TRUE(service->held) << "the job was sent on the window's thread";
    EXPECT_FALSE(window.PrintButton()->isEnabled());
    EXPECT_FALSE(window.CancelButton()->isEnabled());
    // Esc is taken now and closes the window once the job has gone.
    Key(&window, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());
    service->gate.release();
    ASSERT_TRUE(testing::RunEventsUntil([&] { return !window.Working(); }));
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(server_->JobIds().size(), before + 1);
    EXPECT_TRUE(messages_.empty());
    const std::vector<QThread*> threads = service->Threads();
    EXPECT_EQ(threads.size(), 3u);
    for (QThread* thread : threads)
        EXPECT_NE(thread, qApp->thread());
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
