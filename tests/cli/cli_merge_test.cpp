// vellumark-cli merge against the window's own merge of the same folder, run
// in this process: the same pages, images and cut marks for every layout.
#include "cli_process.h"
#include "core/run_log.h"
#include "drawn_pages.h"
#include "fixtures/invoice_fixtures.h"
#include "intake/invoice_intake.h"
#include "layout/merge_pipeline.h"
#include "test_support.h"

#include <QDate>

#include <algorithm>

namespace vellumark::testing {
namespace {

using fixtures::ShortPage;
using fixtures::TallPage;
using fixtures::WriteInvoicePdf;

// Written once and copied, so that both merges start from the same bytes.
const std::string& InvoiceFolderTemplate() {
    static TempDir dir;
    static const bool written = [] {
        return WriteInvoicePdf(dir / "短1.pdf", ShortPage("S1")) &&
               WriteInvoicePdf(dir / "长2.pdf", TallPage("T2")) &&
               WriteInvoicePdf(dir / "短3.pdf", ShortPage("S3")) &&
               WriteInvoicePdf(dir / "长4.pdf", TallPage("T4")) &&
               WriteInvoicePdf(dir / "合并.pdf",
                               {ShortPage("M1"), TallPage("M2"), ShortPage("M3")});
    }();
    EXPECT_TRUE(written);
    return dir.path();
}

void CopyInvoices(const std::string& to) {
    for (const auto& name : ListFolder(InvoiceFolderTemplate())) {
        CopyFile(InvoiceFolderTemplate() + "/" + name, to + "/" + name);
    }
}

void ExpectSamePdf(const std::string& actualPath, const std::string& expectedPath) {
    const auto actual = ReadDrawnPages(actualPath);
    const auto expected = ReadDrawnPages(expectedPath);
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t p = 0; p < actual.size(); ++p) {
        SCOPED_TRACE("page " + std::to_string(p + 1));
        EXPECT_NEAR(actual[p].widthMm, expected[p].widthMm, 1e-6);
        EXPECT_NEAR(actual[p].heightMm, expected[p].heightMm, 1e-6);
        ASSERT_EQ(actual[p].images.size(), expected[p].images.size());
        for (std::size_t i = 0; i < actual[p].images.size(); ++i) {
            const auto& a = actual[p].images[i];
            const auto& e = expected[p].images[i];
            EXPECT_NEAR(a.left, e.left, 1e-6);
            EXPECT_NEAR(a.top, e.top, 1e-6);
            EXPECT_NEAR(a.width, e.width, 1e-6);
            EXPECT_NEAR(a.height, e.height, 1e-6);
            EXPECT_EQ(a.filter, e.filter);
            // Renderer processes may compress the same pixels to different
            // bytes, so a difference counts only in the samples.
            if (a.rawData != e.rawData) {
                EXPECT_TRUE(ImageSamples(actualPath, a.objectId) ==
                            ImageSamples(expectedPath, e.objectId))
                    << "image " << i << " differs";
            }
        }
        ASSERT_EQ(actual[p].lines.size(), expected[p].lines.size());
        for (std::size_t i = 0; i < actual[p].lines.size(); ++i) {
            const auto& a = actual[p].lines[i];
            const auto& e = expected[p].lines[i];
            EXPECT_NEAR(a.x1, e.x1, 1e-6);
            EXPECT_NEAR(a.y1, e.y1, 1e-6);
            EXPECT_NEAR(a.x2, e.x2, 1e-6);
            EXPECT_NEAR(a.y2, e.y2, 1e-6);
            EXPECT_NEAR(a.red, e.red, 1e-6);
        }
    }
}

struct LayoutCase {
    const char* name;
    LayoutMode mode;
};

class CliMergeLayouts : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(CliMergeLayouts, GiveTheWindowsPagesImagesAndMarks) {
    TempDir cliFolder, windowFolder, work;
    CopyInvoices(cliFolder.path());
    CopyInvoices(windowFolder.path());

    const std::string cliPdf = work / "cli.pdf";
    const CliRun run =
        RunCli({"merge", cliFolder.path(), "--layout", GetParam().name, "--output", cliPdf});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    IntakeValues values;
    values.sourceFolder = windowFolder.path();
    InvoiceRows rows;
    ASSERT_EQ(BuildInvoiceList(Library(), values, rows), BuildResult::kListed);
    const MergeSettings settings{work / "images", work / "window.pdf"};
    const MergeOutcome outcome = MergeInvoices(Library(), settings, GetParam().mode, rows);
    ASSERT_EQ(outcome.status, MergeStatus::kSaved);

    ExpectSamePdf(cliPdf, settings.outputPdf);
    // The window's report, its message-box line breaks made plain.
    QString report = outcome.report;
    report.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_EQ(run.out.substr(0, run.out.find("\n已保存")), report.toStdString());
    // Both intakes split the three-page download the same way.
    EXPECT_EQ(ListFolder(cliFolder.path()), ListFolder(windowFolder.path()));
}

INSTANTIATE_TEST_SUITE_P(Every, CliMergeLayouts,
                         ::testing::Values(LayoutCase{"a4-two", LayoutMode::A4Two},
                                           LayoutCase{"a4-three", LayoutMode::A4Three},
                                           LayoutCase{"a4-four", LayoutMode::A4Four},
                                           LayoutCase{"a5-one", LayoutMode::A5One},
                                           LayoutCase{"a4-two-same", LayoutMode::A4TwoSame}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST(CliMerge, NoSplitLeavesTheFolderAsItWasAndTakesFirstPages) {
    TempDir folder, work;
    CopyInvoices(folder.path());
    const auto before = Snapshot(folder.path());
    const CliRun run = RunCli(
        {"merge", folder.path(), "--no-split", "--layout", "a5-one", "--output", work / "o.pdf"});
    // Saved, but pages 2 and 3 of the download are not on the sheets.
    ASSERT_EQ(run.exitCode, 3) << run.err;
    EXPECT_NE(run.err.find("只打印了第1页（共3页）"), std::string::npos) << run.err;
    EXPECT_EQ(Snapshot(folder.path()), before);
    // Five files, one sheet each: the three-page download by its first page.
    EXPECT_EQ(ReadDrawnPages(work / "o.pdf").size(), 5u);
    EXPECT_NE(run.out.find(" 5 张电子发票"), std::string::npos) << run.out;
}

TEST(CliMerge, DefaultsToTheProgramDirectorysResultAndReportsFailedInvoices) {
    TempDir folder;
    CopyInvoices(folder.path());
    ASSERT_TRUE(fixtures::WriteNotAPdf(folder / "坏.pdf"));
    const CliRun run = RunCli({"merge", folder.path()});
    ASSERT_EQ(run.exitCode, 3) << run.err;
    EXPECT_TRUE(Exists(CliProgramDirectory() + "/电子发票.pdf"));
    EXPECT_NE(run.out.find("电子发票批量导出成功！"), std::string::npos);
    const auto errLines = Lines(run.err);
    ASSERT_EQ(errLines.size(), 1u) << run.err;
    EXPECT_NE(errLines[0].find(folder / "坏.pdf"), std::string::npos);
    EXPECT_NE(errLines[0].find("不是PDF文件"), std::string::npos) << errLines[0];

    // A folder of nothing but unusable files: the merge fails and says so.
    TempDir bad;
    ASSERT_TRUE(fixtures::WriteNotAPdf(bad / "x.pdf"));
    TempDir work;
    const CliRun failed = RunCli({"merge", bad.path(), "--output", work / "out.pdf"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_NE(failed.err.find("电子发票批量导出失败！"), std::string::npos) << failed.err;
    EXPECT_FALSE(Exists(work / "out.pdf"));
    EXPECT_TRUE(failed.out.empty());
}

// The user reads words; the run's log, in the cache folder, has the cause,
// and --verbose shows it on stderr too. Only the last few logs stay.
TEST(CliMerge, TheLogKeepsTheCauseOfWhatTheUserIsTold) {
    TempDir folder, cache;
    ASSERT_TRUE(fixtures::WriteInvoicePdf(folder / "好.pdf"));
    ASSERT_TRUE(fixtures::WriteNotAPdf(folder / "坏.pdf"));
    CliOptions options;
    options.environment = {"XDG_CACHE_HOME=" + cache.path()};
    const CliRun quiet = RunCli({"merge", folder.path(), "--output", cache / "o.pdf"}, options);
    ASSERT_EQ(quiet.exitCode, 3) << quiet.err;
    EXPECT_EQ(quiet.err.find("vellumark.merge"), std::string::npos) << quiet.err;
    const auto logs = ListFolder(cache / "vellumark");
    ASSERT_EQ(logs.size(), 1u);
    const std::string log = ReadFile(cache / "vellumark" + "/" + logs[0]);
    EXPECT_NE(log.find(folder / "坏.pdf"), std::string::npos) << log;
    EXPECT_NE(log.find("rendered 2 pages in"), std::string::npos) << log;

    const CliRun verbose = RunCli({"list", folder.path(), "--verbose", "--format", "csv"}, options);
    EXPECT_NE(verbose.err.find("vellumark.library"), std::string::npos) << verbose.err;
    for (int run = 0; run < kRunLogsKept; ++run)
        RunCli({"list", folder.path()}, options);
    EXPECT_EQ(ListFolder(cache / "vellumark").size(), std::size_t(kRunLogsKept));
}

// The same invoice downloaded twice: named on stderr, and placed once when
// asked to. A goods list split off an invoice is neither.
TEST(CliMerge, NamesDuplicatesAndSkipsThemWhenAsked) {
    TempDir folder, work;
    fixtures::FixtureInvoice invoice;
    invoice.goodsListPages = 1;
    ASSERT_TRUE(fixtures::WriteFactInvoicePdf(folder / "下载.pdf", invoice));
    invoice.goodsListPages = 0;
    ASSERT_TRUE(fixtures::WriteFactInvoicePdf(folder / "再次下载.pdf", invoice));
    for (const bool skip : {false, true}) {
        std::vector<std::string> words = {"merge",  folder.path(), "--layout",
                                          "a5-one", "--output",    work / "o.pdf"};
        if (skip)
            words.push_back("--skip-duplicates");
        const CliRun run = RunCli(words);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const auto errLines = Lines(run.err);
        ASSERT_EQ(errLines.size(), 1u) << run.err;
        EXPECT_NE(errLines[0].find("是同一张发票（发票号码 24957000000021350618）"),
                  std::string::npos)
            << errLines[0];
        EXPECT_NE(errLines[0].find("下载"), std::string::npos);
        // The invoice, its goods list, and its second download unless skipped.
        EXPECT_EQ(ReadDrawnPages(work / "o.pdf").size(), skip ? 2u : 3u);
    }
}

// A folder merged before is flagged on stderr and, when asked, left out; a
// ledger that cannot be written is said and never stops the merge.
TEST(CliMerge, InvoicesMergedBeforeAreNamedFromTheLedger) {
    TempDir folder, work;
    fixtures::FixtureInvoice invoice;
    invoice.goodsListPages = 1;
    ASSERT_TRUE(fixtures::WriteFactInvoicePdf(folder / "发票.pdf", invoice));
    const std::string ledger = "VELLUMARK_LEDGER=" + (work / "台账.sqlite");
    struct Run {
        std::vector<std::string> extra;
        std::string environment;
        std::size_t pages;      // on the sheets
        const char* stderrHas;  // nullptr: nothing on stderr
    };
    const Run runs[] = {
        {{}, ledger, 2, nullptr},
        {{}, ledger, 2, "已于 "},
        {{"--skip-printed"}, ledger, 1, "，不再合并"},
        {{}, "VELLUMARK_LEDGER=" + (work / "无此目录") + "/\x01/台账", 2, "未记录到台账："},
    };
    for (const Run& run : runs) {
        SCOPED_TRACE(run.environment + " " + (run.extra.empty() ? "" : run.extra[0]));
        std::vector<std::string> words = {"merge",  folder.path(), "--layout",
                                          "a5-one", "--output",    work / "o.pdf"};
        words.insert(words.end(), run.extra.begin(), run.extra.end());
        CliOptions options;
        options.environment = {run.environment};
        const CliRun result = RunCli(words, options);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(ReadDrawnPages(work / "o.pdf").size(), run.pages);
        if (!run.stderrHas) {
            EXPECT_EQ(result.err, "");
            continue;
        }
        ASSERT_EQ(Lines(result.err).size(), 1u) << result.err;
        EXPECT_NE(result.err.find(run.stderrHas), std::string::npos) << result.err;
    }
    // The listing dates the invoice, not its goods list.
    CliOptions options;
    options.environment = {ledger};
    const CliRun listed = RunCli({"list", folder.path(), "--format", "csv"}, options);
    const std::string today = QDate::currentDate().toString(Qt::ISODate).toStdString() + " ";
    const std::vector<std::string> lines = Lines(listed.out);
    EXPECT_EQ(std::count_if(
                  lines.begin(), lines.end(),
                  [&](const std::string& line) { return line.find(today) != std::string::npos; }),
              1)
        << listed.out;
}

}  // namespace
}  // namespace vellumark::testing
