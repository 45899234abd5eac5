// The command's facts end to end: a goods list that repeats its invoice's
// number is printed whatever --skip-duplicates says, and the list's sum
// names the pages it could not read.
#include "cli_process.h"
#include "drawn_pages.h"
#include "fixtures/invoice_fixtures.h"
#include "test_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vellumark::testing {
namespace {

TEST(CliFacts, AGoodsListIsNeverSkippedAsADuplicate) {
    struct Case {
        bool repeatsNumber, skip;
    };
    for (const Case c : {Case{true, true}, Case{true, false}, Case{false, true}}) {
        SCOPED_TRACE(std::to_string(c.repeatsNumber) + std::to_string(c.skip));
        TempDir folder, work;
        fixtures::FixtureInvoice invoice;
        invoice.goodsListPages = 2;
        invoice.goodsListRepeatsNumber = c.repeatsNumber;
        ASSERT_TRUE(fixtures::WriteFactInvoicePdf(folder / "下载.pdf", invoice));
        std::vector<std::string> words = {"merge",  folder.path(), "--layout",
                                          "a5-one", "--output",    work / "o.pdf"};
        if (c.skip)
            words.push_back("--skip-duplicates");
        const CliRun run = RunCli(words);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err.find("重复的发票"), std::string::npos) << run.err;
        EXPECT_EQ(ReadDrawnPages(work / "o.pdf").size(), 3u);
    }
}

TEST(CliFacts, TheListsSumNamesThePagesItCouldNotRead) {
    TempDir folder;
    fixtures::FixtureInvoice whole;
    ASSERT_TRUE(fixtures::WriteFactInvoicePdf(folder / "整张.pdf", whole));
    fixtures::FixtureInvoice noTotal;  // a scan whose code gives no total
    noTotal.number = "24957000000021359999";
    noTotal.text = false;
    noTotal.qrText = "https://x.example.cn/q?fphm=24957000000021359999&kprq=20240514";
    ASSERT_TRUE(fixtures::WriteFactInvoicePdf(folder / "缺金额.pdf", noTotal));
    ASSERT_TRUE(fixtures::WriteInvoicePdf(folder / "行程单.pdf", fixtures::ShortPage("trip")));

    const CliRun table = RunCli({"list", folder.path()});
    ASSERT_EQ(table.exitCode, 0) << table.err;
    const auto lines = Lines(table.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "共 1 张发票，价税合计 740.00 元；另有 1 张未能读出金额：缺金额");

    const CliRun json = RunCli({"list", folder.path(), "--format", "json"});
    const QJsonArray rows = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).array();
    ASSERT_EQ(rows.size(), 4);
    int unreadOrder = 0;
    for (const auto& row : rows) {
        if (row.toObject()["name"].toString() == QStringLiteral("缺金额"))
            unreadOrder = row.toObject()["order"].toInt();
    }
    const QJsonObject sum = rows.last().toObject();
    EXPECT_EQ(sum["invoices"].toInt(), 1);
    EXPECT_EQ(sum["unread"].toArray(), QJsonArray({unreadOrder}));
}

}  // namespace
}  // namespace vellumark::testing
