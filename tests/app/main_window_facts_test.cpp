// What the window shows of the invoices' facts: a row that repeats an
// earlier row's invoice in a colour of its own, named in its tooltip, and
// the listing exported from the list's menu.
#include "app/main_window.h"
#include "app/startup.h"
#include "engine/folder_dialog.h"
#include "engine/message_box.h"
#include "fixtures/invoice_fixtures.h"
#include "ledger/ledger.h"
#include "ofd_helpers.h"
#include "small_file_system.h"
#include "test_support.h"

#include <sys/stat.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace vellumark {
namespace {

struct Told {
    QString title, text;
};

class WindowFactsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMessageBoxHook([this](const QString& title, const QString& text, QMessageBox::Icon) {
            told.push_back({title, text});
        });
        state = CreateProgramState(programDir.path());
        window = std::make_unique<MainWindow>(*state);
        MainWindowCreated(*state, *window);
        window->show();
        fixtures::FixtureInvoice invoice;
        ASSERT_TRUE(fixtures::WriteFactInvoicePdf(folder / "a.pdf", invoice));
        // The same invoice downloaded again: another name, other bytes.
        invoice.buyer = "上海科之锐人才咨询有限公司（再次下载）";
        ASSERT_TRUE(fixtures::WriteFactInvoicePdf(folder / "b.pdf", invoice));
        fixtures::FixtureInvoice other;
        other.number = "24957000000021351343";
        ASSERT_TRUE(fixtures::WriteFactInvoicePdf(folder / "c.pdf", other));
        window->FilesDropped(folder.path());
        ASSERT_TRUE(testing::RunEventsUntil([this] { return !window->Busy(); }));
        ASSERT_EQ(window->Rows().rowCount(), 3);
    }
    void TearDown() override {
        window.reset();
        ExitCleanup(state);
        SetMessageBoxHook({});
        SetSaveDialogHook({});
    }
    int RowNamed(const char* name) {
        for (int row = 0; row < window->Rows().rowCount(); ++row) {
            if (window->Rows().Cell(row, kColumnName) == QString::fromUtf8(name))
                return row;
        }
        return -1;
    }
    // Pixels of the row's name cell in the colour of repeated invoices.
    int RepeatPixels(int row, const QColor& colour = kRepeatColour) {
        auto* view = window->InvoiceList();
        const QRect cell = view->visualRect(window->Rows().index(row, kColumnName));
        const QImage image = view->viewport()->grab(cell).toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += image.pixelColor(x, y) == colour;
        return count;
    }

    testing::TempDir programDir, folder;
    std::unique_ptr<ProgramState> state;
    std::unique_ptr<MainWindow> window;
    std::vector<Told> told;
};

TEST_F(WindowFactsTest, TheRepeatIsColouredAndNamesTheRowAndNumber) {
    const int a = RowNamed("a"), b = RowNamed("b"), c = RowNamed("c");
    ASSERT_TRUE(a >= 0 && b >= 0 && c >= 0);
    const int first = std::min(a, b), repeat = std::max(a, b);
    EXPECT_GT(RepeatPixels(repeat), 100);
    EXPECT_EQ(RepeatPixels(first), 0);
    EXPECT_EQ(RepeatPixels(c), 0);
    const QString tip =
        window->Rows().data(window->Rows().index(repeat, kColumnName), Qt::ToolTipRole).toString();
    EXPECT_EQ(
        tip,
        QStringLiteral("与第 %1 行是同一张发票（发票号码 24957000000021350618）").arg(first + 1));
    EXPECT_TRUE(told.empty());
}

// An invoice the ledger holds from an earlier merge is shown in a colour of
// its own, says when and by whom in its tooltip, and is counted on the
// status line; an unusable ledger is said there instead.
TEST_F(WindowFactsTest, AnInvoiceMergedBeforeIsColouredAndSaysWhen) {
    testing::TempDir books;
    const std::string path = books / "台账.sqlite";
    const QByteArray kept = qgetenv("VELLUMARK_LEDGER");
    setenv("VELLUMARK_LEDGER", path.c_str(), 1);
    std::string error;
    auto book = ledger::Ledger::Open(*ledger::ParseLocation(path).location, error);
    ASSERT_TRUE(book) << error;
    ledger::MergeRecord merge;
    merge.mergedAt = QDateTime(QDate(2026, 11, 3), QTime(14, 20)).toSecsSinceEpoch();
    merge.output = "/somewhere/电子发票.pdf";
    merge.user = "李四";
    merge.entries.push_back({"digital_ordinary", {"", "24957000000021351343"}});
    merge.entries.back().fileName = "c.pdf";
    std::vector<ledger::LedgerRecord> already;
    ASSERT_TRUE(book->Record(merge, already, error)) << error;
    book.reset();

    for (const bool usable : {true, false}) {
        if (!usable)
            setenv("VELLUMARK_LEDGER", (books / "无此目录/台账.sqlite").c_str(), 1);
        window->FilesDropped(folder.path());
        ASSERT_TRUE(testing::RunEventsUntil([this] { return !window->Busy(); }));
        const int c = RowNamed("c");
        const QString tip =
            window->Rows().data(window->Rows().index(c, kColumnName), Qt::ToolTipRole).toString();
        const QString status = window->StatusLabel()->toolTip();
        if (usable) {
            EXPECT_GT(RepeatPixels(c, kPrintedColour), 100);
            EXPECT_EQ(tip,
                      QStringLiteral("已于 2026-11-03 14:20 合并打印（文件 c.pdf，用户 李四）"));
            EXPECT_TRUE(status.contains(QStringLiteral("有 1 张发票此前已合并打印过")))
                << status.toStdString();
        } else {
            EXPECT_EQ(RepeatPixels(c, kPrintedColour), 0);
            EXPECT_TRUE(status.contains(QStringLiteral("未能查阅台账："))) << status.toStdString();
        }
    }
    setenv("VELLUMARK_LEDGER", kept.constData(), 1);
}

// The OFD of an invoice whose PDF is listed is coloured as a repeat and, in
// the merge, stays off the sheets saying why, as nothing missing.
TEST_F(WindowFactsTest, TheOfdOfAListedPdfSaysItIsTheSameInvoice) {
    fixtures::FixtureInvoice other;
    other.number = "24957000000021351343";
    testing::WriteFile(
        folder / "c.ofd",
        ofd::testing::Zip(ofd::testing::InvoiceOfd(fixtures::InvoiceCodeText(other))));
    window->FilesDropped(folder.path());
    ASSERT_TRUE(testing::RunEventsUntil([this] { return !window->Busy(); }));
    const int c = RowNamed("c"), ofd = RowNamed("c.ofd");
    ASSERT_TRUE(c >= 0 && ofd >= 0);
    EXPECT_GT(RepeatPixels(ofd), 100);
    EXPECT_EQ(window->Rows().data(window->Rows().index(ofd, kColumnName), Qt::ToolTipRole),
              QStringLiteral("与第 %1 行是同一张发票（另一种格式），只合并 PDF").arg(c + 1));

    // The merge's record goes to a ledger of its own, which the other tests
    // do not see; the print options that follow the report are closed unused.
    testing::TempDir books;
    const QByteArray kept = qgetenv("VELLUMARK_LEDGER");
    setenv("VELLUMARK_LEDGER", (books / "台账.sqlite").c_str(), 1);
    SetMessageBoxHook([this](const QString& title, const QString& text, QMessageBox::Icon) {
        told.push_back({title, text});
        QTimer::singleShot(0, window.get(), [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
    });
    window->MergeButton()->click();
    EXPECT_TRUE(testing::RunEventsUntil([this] { return !window->Busy(); }));
    for (int row = 0; row < window->Rows().rowCount(); ++row) {
        EXPECT_EQ(
            window->Rows().Cell(row, kColumnProgress),
            row == ofd ? QStringLiteral("同一张发票（另一种格式）") : QStringLiteral("已完成"))
            << row;
    }
    setenv("VELLUMARK_LEDGER", kept.constData(), 1);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_FALSE(told[0].text.contains(QStringLiteral("c.ofd"))) << told[0].text.toStdString();
}

TEST_F(WindowFactsTest, TheMenuExportsTheListingForASpreadsheet) {
    ASSERT_NE(window->ListMenu(), nullptr);
    ASSERT_EQ(window->ListMenu()->actions().size(), 1);
    QAction* exportAction = window->ListMenu()->actions()[0];
    EXPECT_EQ(exportAction->text(), QStringLiteral("导出发票清单…"));
    std::string suggested;
    SetSaveDialogHook([&](const QString&, const std::string& offered) {
        suggested = offered;
        return std::optional(folder / "清单.csv");
    });
    exportAction->trigger();
    EXPECT_EQ(suggested, folder / "发票清单.csv");
    const std::string csv = testing::ReadFile(folder / "清单.csv");
    ASSERT_EQ(csv.rfind("\xEF\xBB\xBF"
                        "order,name,",
                        0),
              0u)
        << csv;
    EXPECT_NE(csv.find("24957000000021351343"), std::string::npos);
    EXPECT_NE(csv.find("共 2 张发票，价税合计 1480.00 元"), std::string::npos) << csv;
    EXPECT_TRUE(told.empty());
}

// The listing's sum on one line, cut to fit, and whole in the tooltip. Set
// VELLUMARK_SCREENSHOT to a file name to keep a picture of the window.
TEST_F(WindowFactsTest, TheStatusLineSaysTheSumAndWhatItCouldNotRead) {
    const QLabel* status = window->StatusLabel();
    const struct {
        const char* extraFile;  // another invoice, whose total cannot be read
        const char* sum;
    } cases[] = {
        {nullptr, "共 2 张发票，价税合计 1480.00 元"},
        {"扫描件没有金额的发票",
         "共 2 张发票，价税合计 1480.00 元；另有 1 张未能读出金额：扫描件没有金额的发票"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sum);
        if (c.extraFile) {
            fixtures::FixtureInvoice scan;
            scan.text = false;
            scan.qrText = "https://x.example.cn/q?fphm=24957000000021359999";
            ASSERT_TRUE(
                fixtures::WriteFactInvoicePdf(folder / (std::string(c.extraFile) + ".pdf"), scan));
            window->FilesDropped(folder.path());
            ASSERT_TRUE(testing::RunEventsUntil([this] { return !window->Busy(); }));
        }
        const QString whole = QString::fromUtf8(c.sum);
        EXPECT_EQ(status->toolTip(), whole);
        EXPECT_EQ(status->text(),
                  status->fontMetrics().elidedText(whole, Qt::ElideRight, status->width()));
        EXPECT_LE(status->fontMetrics().horizontalAdvance(status->text()), status->width());
        EXPECT_TRUE(status->text().startsWith(QStringLiteral("共 2 张发票")));
    }
    EXPECT_TRUE(status->text().endsWith(QStringLiteral("…")));
    if (const QByteArray path = qgetenv("VELLUMARK_SCREENSHOT"); !path.isEmpty())
        window->grab().save(QString::fromLocal8Bit(path));
}

// A full disk (as root, who may write anywhere) or a read-only folder.
TEST_F(WindowFactsTest, AnExportThatCannotBeWrittenSaysWhereAndWhyAndKeepsTheOldFile) {
    testing::SmallFileSystem disk(256 * 1024);
    testing::TempDir locked;
    const std::string where = disk.Mounted() ? disk.path() : locked.path();
    const std::string target = where + "/清单.csv";
    testing::WriteFile(target, "an older list");
    if (disk.Mounted())
        disk.FillLeaving(0);
    else
        ASSERT_EQ(chmod(locked.path().c_str(), 0555), 0);
    SetSaveDialogHook([&](const QString&, const std::string&) { return std::optional(target); });
    window->ExportInvoiceList();
    chmod(locked.path().c_str(), 0755);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].title, QStringLiteral("导出失败"));
    EXPECT_TRUE(told[0].text.contains(QStringLiteral("清单.csv"))) << told[0].text.toStdString();
    EXPECT_TRUE(told[0].text.contains(disk.Mounted() ? QStringLiteral("磁盘已满")
                                                     : QStringLiteral("无法在此处写入")))
        << told[0].text.toStdString();
    EXPECT_EQ(testing::ReadFile(target), "an older list");
    for (const std::string& name : testing::ListFolder(where))
        EXPECT_EQ(name.rfind(".vellumark-", 0), std::string::npos) << name;
}

}  // namespace
}  // namespace vellumark
