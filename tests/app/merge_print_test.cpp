// From a dropped folder to the spooler: the real merge through the main
// window, then "打印" in the print options it opens, against a private CUPS
// scheduler. What the spooler holds must match the sheets of the merged file.
#include "app/main_window.h"
#include "app/print_options_window.h"
#include "app/startup.h"
#include "cli_process.h"
#include "cups_test_server.h"
#include "engine/message_box.h"
#include "fixtures/invoice_fixtures.h"
#include "ofd_helpers.h"
#include "test_support.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

namespace vellumark {
namespace {

using testing::CupsTestServer;
using testing::StartSuiteServer;
using testing::StopSuiteServer;

constexpr int kA4Two = 0;
constexpr int kA4Four = 2;
constexpr int kA5One = 3;

// Width and height in whole millimetres of the first page, as a viewer
// shows it (after /Rotate); {0, 0} when unreadable.
std::pair<int, int> FirstSheetMm(const std::string& path) {
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(path.c_str());
        QPDFPageObjectHelper page = QPDFPageDocumentHelper(pdf).getAllPages().at(0);
        const QPDFObjectHandle::Rectangle box = page.getMediaBox(true).getArrayAsRectangle();
        int rotate = 0;
        if (QPDFObjectHandle r = page.getAttribute("/Rotate", false); r.isInteger())
            rotate = static_cast<int>(r.getIntValue());
        const auto mm = [](double pt) { return static_cast<int>(std::lround(pt * 25.4 / 72)); };
        int width = mm(box.urx - box.llx);
        int height = mm(box.ury - box.lly);
        if (((rotate % 180) + 180) % 180 == 90)
            std::swap(width, height);
        return {width, height};
    } catch (...) {
        return {0, 0};
    }
}

// What the print options showed when they opened and the job "打印" made.
struct Printed {
    bool opened = false;
    bool modal = false;
    QStringList printers;
    QString selectedPrinter;
    bool allPages = false;
    QString from, to, copies;
    int outputPages = -1;  // pages of the merged file at that moment
    testing::SpooledJob job;
};

class MergePrintTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Listed by name, so the default is neither the first nor the last.
        server_ = StartSuiteServer({"Alpha", "Gamma", "Beta"});
    }
    static void TearDownTestSuite() { StopSuiteServer(server_); }
    void SetUp() override {
        VELLUMARK_REQUIRE_CUPS(server_);
        SetMessageBoxHook([this](const QString&, const QString& text, QMessageBox::Icon) {
            report_ = text;
            // The print options follow the report as a modal dialog.
            QTimer::singleShot(0, window_.get(), [this] { UsePrintOptions(20); });
        });
        state_ = CreateProgramState(programDir_.path());
        window_ = std::make_unique<MainWindow>(*state_);
        MainWindowCreated(*state_, *window_);
        window_->show();
        ASSERT_TRUE(fixtures::WriteInvoicePdf(folder_ / "长.pdf", fixtures::TallPage("T")));
        for (const char* name : {"短1.pdf", "短2.pdf", "短3.pdf"})
            ASSERT_TRUE(fixtures::WriteInvoicePdf(folder_ / name, fixtures::ShortPage(name)));
        window_->FilesDropped(folder_.path());
        ASSERT_TRUE(testing::RunEventsUntil([this] { return !window_->Busy(); }));
        ASSERT_EQ(window_->Rows().rowCount(), 4);
    }
    void TearDown() override {
        window_.reset();
        if (state_)
            ExitCleanup(state_);
        SetMessageBoxHook({});
    }

    // Merges with layout choice `choice` and prints whatever the print
    // options offer.
    Printed MergeAndPrint(int choice) {
        window_->LayoutChoice(choice)->setChecked(true);
        window_->MergeButton()->click();
        EXPECT_TRUE(testing::RunEventsUntil([this] { return !window_->Busy(); }));
        const std::vector<int> ids = server_->JobIds();
        if (printed_.opened && ids.size() == jobsBefore_ + 1)
            printed_.job = server_->Job(ids.back());
        return printed_;
    }

    void UsePrintOptions(int triesLeft) {
        PrintOptionsWindow* dialog = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<PrintOptionsWindow*>(widget); d && d->isVisible())
                dialog = d;
        if (!dialog) {
            if (triesLeft > 0)
                QTimer::singleShot(10, window_.get(),
                                   [=, this] { UsePrintOptions(triesLeft - 1); });
            return;
        }
        // The printers and the page count arrive from a worker thread.
        if (dialog->Working()) {
            QTimer::singleShot(1, window_.get(), [=, this] { UsePrintOptions(triesLeft); });
            return;
        }
        printed_.opened = true;
        printed_.modal = dialog->isModal();
        for (int i = 0; i < dialog->PrinterCombo()->count(); ++i)
            printed_.printers << dialog->PrinterCombo()->itemText(i);
        printed_.selectedPrinter = dialog->PrinterCombo()->currentText();
        printed_.allPages = dialog->AllPagesRadio()->isChecked();
        printed_.from = dialog->FromPageBox()->text();
        printed_.to = dialog->ToPageBox()->text();
        printed_.copies = dialog->CopiesBox()->text();
        printed_.outputPages = testing::PdfPageCount(state_->OutputPdf());
        if (const char* shots = std::getenv("VELLUMARK_SCREENSHOT_DIR"))
            SaveScreenshots(*dialog, QString::fromLocal8Bit(shots));

        jobsBefore_ = server_->JobIds().size();
        dialog->PrintButton()->click();
        // Closes once the job has reached the spooler.
        dialog->reject();
    }

    // For looking at the window: the window itself, and the screen with the
    // printer list open (under a real display only).
    static void SaveScreenshots(PrintOptionsWindow& dialog, const QString& folder) {
        for (int i = 0; i < 20; ++i)
            QApplication::processEvents();
        dialog.grab().save(folder + "/merge_print_window.png");
        dialog.PrinterCombo()->showPopup();
        for (int i = 0; i < 20; ++i)
            QApplication::processEvents();
        if (QScreen* screen = dialog.screen())
            screen->grabWindow(0).save(folder + "/merge_print_printers.png");
        dialog.PrinterCombo()->hidePopup();
    }

    // What every job from the print options carries, whatever the layout.
    void ExpectWholeMergedFile(const Printed& printed, int sheets) {
        ASSERT_TRUE(printed.opened) << report_.toStdString();
        EXPECT_TRUE(printed.modal);
        EXPECT_EQ(printed.printers, (QStringList{"Alpha", "Beta", "Gamma"}));
        EXPECT_EQ(printed.selectedPrinter, "Beta");
        EXPECT_TRUE(printed.allPages);
        EXPECT_EQ(printed.outputPages, sheets);
        EXPECT_EQ(printed.from, "1");
        EXPECT_EQ(printed.to, QString::number(sheets));
        EXPECT_EQ(printed.copies, "1");

        const testing::SpooledJob& job = printed.job;
        ASSERT_NE(job.id, 0) << "no job reached the spooler";
        EXPECT_NE(job.attributes.at("job-printer-uri").find("/printers/Beta"), std::string::npos);
        EXPECT_EQ(job.attributes.at("page-ranges"), "1-" + std::to_string(sheets));
        EXPECT_EQ(job.attributes.at("copies"), "1");
        EXPECT_EQ(job.attributes.at("print-quality"), "high");
        EXPECT_EQ(job.attributes.at("sides"), "one-sided");
        EXPECT_EQ(job.attributes.at("media-type"), "stationery");
        EXPECT_EQ(job.attributes.at("document-format"), "application/pdf");
        EXPECT_EQ(testing::PdfPageCount(job.documentPath), sheets);
        // The spooler holds the merged file as it was written, not a copy
        // made before or after.
        EXPECT_EQ(testing::ReadFile(job.documentPath), testing::ReadFile(state_->OutputPdf()));
    }

    static CupsTestServer* server_;
    testing::TempDir programDir_;
    testing::TempDir folder_;
    std::unique_ptr<ProgramState> state_;
    std::unique_ptr<MainWindow> window_;
    QString report_;
    Printed printed_;
    size_t jobsBefore_ = 0;
};

CupsTestServer* MergePrintTest::server_ = nullptr;

TEST_F(MergePrintTest, A4TwoPrintsEverySheetPortraitOnA4) {
    // One tall invoice alone, three short ones two to a sheet.
    const Printed printed = MergeAndPrint(kA4Two);
    ExpectWholeMergedFile(printed, 3);
    EXPECT_EQ(printed.job.attributes.at("media"), "iso_a4_210x297mm");
    EXPECT_EQ(printed.job.attributes.at("orientation-requested"), "portrait");
    EXPECT_EQ(FirstSheetMm(printed.job.documentPath), std::make_pair(210, 297));
}

TEST_F(MergePrintTest, A5OnePrintsOnA5) {
    // Every invoice on its own half sheet, the tall one turned.
    const Printed printed = MergeAndPrint(kA5One);
    ExpectWholeMergedFile(printed, 4);
    EXPECT_EQ(printed.job.attributes.at("media"), "iso_a5_148x210mm");
    EXPECT_EQ(printed.job.attributes.at("orientation-requested"), "portrait");
    EXPECT_EQ(FirstSheetMm(printed.job.documentPath), std::make_pair(210, 148));
}

TEST_F(MergePrintTest, A4FourPrintsLandscape) {
    const Printed printed = MergeAndPrint(kA4Four);
    ExpectWholeMergedFile(printed, 2);
    EXPECT_EQ(printed.job.attributes.at("media"), "iso_a4_210x297mm");
    EXPECT_EQ(printed.job.attributes.at("orientation-requested"), "landscape");
    EXPECT_EQ(FirstSheetMm(printed.job.documentPath), std::make_pair(297, 210));
}

// OFD packages dropped beside the PDFs are listed a row per page, rendered
// once at intake, and merged and printed with the rest; the folder keeps
// its bytes, and the window shows them (VELLUMARK_SCREENSHOT_DIR).
TEST_F(MergePrintTest, OfdPackagesArePrintedBesideThePdfs) {
    ofd::testing::Entries twoPages = ofd::testing::MinimalOfd(
        R"(<ofd:TextObject ID="5" Boundary="10 10 80 10" Font="3" Size="5"><ofd:TextCode X="0" Y="5">发票</ofd:TextCode></ofd:TextObject>)",
        "", "0 0 210 140");
    twoPages["Doc_0/Document.xml"].replace(
        twoPages["Doc_0/Document.xml"].find("</ofd:Pages>"), 0,
        R"(<ofd:Page ID="2" BaseLoc="Pages/Page_0/Content.xml"/>)");
    testing::WriteFile(folder_ / "数电票.ofd", ofd::testing::Zip(twoPages));
    testing::WriteFile(folder_ / "坏.ofd", "not a package");
    const auto before = testing::Snapshot(folder_.path());
    window_->FilesDropped(folder_.path());
    ASSERT_TRUE(testing::RunEventsUntil([this] { return !window_->Busy(); }));
    ASSERT_EQ(window_->Rows().rowCount(), 7);
    QStringList names;
    for (int row = 0; row < 7; ++row)
        names << window_->Rows().Cell(row, kColumnName);
    EXPECT_TRUE(names.contains(QStringLiteral("数电票.ofd(第2页)")))
        << names.join(' ').toStdString();
    if (const char* shots = std::getenv("VELLUMARK_SCREENSHOT_DIR"))
        window_->grab().save(QString::fromLocal8Bit(shots) + "/ofd_rows.png");

    const Printed printed = MergeAndPrint(kA4Two);
    // The tall one alone, five short ones two to a sheet; the bad package
    // is named in the report.
    ExpectWholeMergedFile(printed, 4);
    EXPECT_TRUE(report_.contains(QStringLiteral("坏.ofd：不是OFD文件"))) << report_.toStdString();
    EXPECT_EQ(testing::Snapshot(folder_.path()), before);
}

}  // namespace
}  // namespace vellumark
