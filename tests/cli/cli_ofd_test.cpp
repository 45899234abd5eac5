// vellumark-cli on folders with OFD packages: every page of every package
// goes onto the sheets beside the PDFs, a package that cannot be read is
// named with its reason and exit code 3, and the folder keeps every byte.
#include "cli_process.h"
#include "drawn_pages.h"
#include "fixtures/invoice_fixtures.h"
#include "ofd_helpers.h"
#include "test_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace vellumark::testing {
namespace {

std::string GoodOfd() {
    return ofd::testing::Zip(ofd::testing::MinimalOfd(
        R"(<ofd:TextObject ID="5" Boundary="10 10 80 10" Font="3" Size="5"><ofd:TextCode X="0" Y="5">发票</ofd:TextCode></ofd:TextObject>)",
        "", "0 0 210 140"));
}

std::string Climbing() {
    ofd::testing::Entries entries = ofd::testing::MinimalOfd("");
    entries["../../x"] = "x";
    return ofd::testing::Zip(entries);
}

struct MergeCase {
    const char* name;
    std::vector<std::string> corpus;  // packages taken from the corpus
    std::vector<std::pair<std::string, std::string>>
        files;  // made here: name, bytes ("pdf": a PDF)
    int exitCode;
    std::size_t images;
    std::vector<std::string> named;  // on stderr
};

std::size_t ImagesIn(const std::string& pdf) {
    std::size_t images = 0;
    for (const DrawnPage& page : ReadDrawnPages(pdf))
        images += page.images.size();
    return images;
}

TEST(CliOfd, FoldersWithPackagesAreMergedWhole) {
    const MergeCase cases[] = {
        {"mixed",
         {"20240531141733.ofd", "999.ofd"},
         {{"a.pdf", "pdf"}, {"z.pdf", "pdf"}},
         0,
         2 + 1 + 5,
         {}},
        {"packages only", {}, {{"a.ofd", GoodOfd()}, {"b.ofd", GoodOfd()}}, 0, 2, {}},
        {"bad packages",
         {},
         {{"good.pdf", "pdf"},
          {"not-zip.ofd", "PK but no zip"},
          {"climbing.ofd", Climbing()},
          {"good.ofd", GoodOfd()}},
         3,
         2,
         {"not-zip.ofd：不是OFD文件（不是压缩包）", "climbing.ofd：OFD文件含有不安全的文件名"}},
    };
    for (const MergeCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.corpus.empty() && CorpusDir().empty())
            continue;
        TempDir folder, work;
        for (const std::string& file : c.corpus)
            CopyFile(CorpusDir() + "/ofd/" + file, folder / file);
        for (const auto& [name, bytes] : c.files) {
            if (bytes == "pdf")
                ASSERT_TRUE(fixtures::WriteInvoicePdf(folder / name, fixtures::ShortPage(name)));
            else
                WriteFile(folder / name, bytes);
        }
        const auto before = Snapshot(folder.path());
        const CliRun run = RunCli({"merge", folder.path(), "--output", work / "o.pdf"});
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_EQ(ImagesIn(work / "o.pdf"), c.images);
        for (const std::string& named : c.named)
            EXPECT_NE(run.err.find(named), std::string::npos) << run.err;
        EXPECT_EQ(Snapshot(folder.path()), before);
    }
}

// Every layout places package pages as it places PDF pages: an A4 package
// page, tall, among short ones.
TEST(CliOfd, EveryLayoutPlacesPackagePages) {
    TempDir folder;
    WriteFile(folder / "a.ofd", GoodOfd());
    WriteFile(folder / "b.ofd", ofd::testing::Zip(ofd::testing::MinimalOfd("", "", "0 0 210 297")));
    ASSERT_TRUE(fixtures::WriteInvoicePdf(folder / "c.pdf", fixtures::ShortPage("c")));
    for (const char* layout : {"a4-two", "a4-three", "a4-four", "a5-one", "a4-two-same"}) {
        SCOPED_TRACE(layout);
        TempDir work;
        const CliRun run =
            RunCli({"merge", folder.path(), "--layout", layout, "--output", work / "o.pdf"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        // Two copies of each on "a4-two-same".
        EXPECT_EQ(ImagesIn(work / "o.pdf"), std::string(layout) == "a4-two-same" ? 6u : 3u);
    }
}

// The PDF and the OFD of one invoice: the invoice goes onto the sheets once,
// from the PDF with its goods list, whether or not repeats are skipped; each
// OFD page is named on stderr, nothing counts as left out, and the list
// names the pair.
TEST(CliOfd, AnInvoiceInBothFormatsIsPlacedOnceFromThePdf) {
    fixtures::FixtureInvoice made;
    made.goodsListPages = 1;
    fixtures::FixtureInvoice older;  // as the corpus package states it
    older.digital = false;
    older.code = "050001700111";
    older.number = "12235358";
    older.date = "2020-08-05";
    older.total = "10600.00";
    older.amount = "10000.00";
    older.tax = "600.00";
    const struct {
        const char* package;  // from the corpus, or made here from `invoice`
        fixtures::FixtureInvoice invoice;
        bool skip;
        int ofdPages;
        std::size_t images;  // the PDF's pages and another invoice
    } cases[] = {
        {nullptr, made, false, 2, 3}, {nullptr, made, true, 2, 3}, {"999.ofd", older, false, 5, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.package ? c.package : "made") + (c.skip ? " skip" : ""));
        if (c.package && CorpusDir().empty())
            continue;
        TempDir folder, work;
        if (c.package)
            CopyFile(CorpusDir() + "/ofd/" + c.package, folder / "发票.ofd");
        else
            WriteFile(folder / "发票.ofd", ofd::testing::Zip(ofd::testing::InvoiceOfd(
                                               fixtures::InvoiceCodeText(c.invoice), 1)));
        ASSERT_TRUE(fixtures::WriteFactInvoicePdf(folder / "发票.pdf", c.invoice));
        fixtures::FixtureInvoice other;
        other.number = "24957000000021351343";
        ASSERT_TRUE(fixtures::WriteFactInvoicePdf(folder / "其他.pdf", other));
        std::vector<std::string> words = {"merge", folder.path(), "--output", work / "o.pdf"};
        if (c.skip)
            words.push_back("--skip-duplicates");
        const CliRun run = RunCli(words);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(ImagesIn(work / "o.pdf"), c.images);
        const std::vector<std::string> lines = Lines(run.err);
        ASSERT_EQ(lines.size(), static_cast<std::size_t>(c.ofdPages)) << run.err;
        for (int page = 1; page <= c.ofdPages; ++page) {
            EXPECT_NE(lines[page - 1].find("同一张发票（另一种格式）："), std::string::npos);
            EXPECT_NE(run.err.find("：" + folder.path() + "/发票.ofd(第" + std::to_string(page) +
                                   "页) 与 " + folder.path() + "/发票"),
                      std::string::npos)
                << run.err;
        }
    }
}

TEST(CliOfd, TheListNamesThePairAndCountsItOnce) {
    TempDir folder;
    fixtures::FixtureInvoice invoice;
    ASSERT_TRUE(fixtures::WriteFactInvoicePdf(folder / "发票.pdf", invoice));
    WriteFile(folder / "发票.ofd",
              ofd::testing::Zip(ofd::testing::InvoiceOfd(fixtures::InvoiceCodeText(invoice))));
    const CliRun json = RunCli({"list", folder.path(), "--format", "json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const QJsonArray rows = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).array();
    ASSERT_EQ(rows.size(), 3) << json.out;
    std::map<QString, QJsonObject> byName;
    for (const auto& row : rows)
        byName[row.toObject()["name"].toString()] = row.toObject();
    const QJsonObject pdf = byName[QStringLiteral("发票")],
                      ofd = byName[QStringLiteral("发票.ofd")];
    EXPECT_EQ(ofd["other_format_of"].toInt(), pdf["order"].toInt()) << json.out;
    EXPECT_EQ(pdf["other_format_of"].toInt(), ofd["order"].toInt());
    EXPECT_TRUE(ofd["duplicate_of"].isNull() && pdf["duplicate_of"].isNull());
    EXPECT_EQ(rows.last().toObject()["invoices"].toInt(), 1);
    const CliRun table = RunCli({"list", folder.path()});
    EXPECT_NE(table.out.find("=" + std::to_string(pdf["order"].toInt()) + " (另一种格式)"),
              std::string::npos)
        << table.out;
}

// What a person reads on each corpus package (truth/ofd.tsv), by file and
// column.
std::map<std::string, std::map<std::string, std::string>> OfdTruth() {
    std::map<std::string, std::map<std::string, std::string>> truth;
    std::vector<std::string> columns;
    for (const std::string& line : Lines(ReadFile(CorpusDir() + "/truth/ofd.tsv"))) {
        std::vector<std::string> cells;
        for (std::size_t start = 0; start <= line.size();) {
            const std::size_t tab = std::min(line.find('\t', start), line.size());
            cells.push_back(line.substr(start, tab - start));
            start = tab + 1;
        }
        if (columns.empty())
            columns = cells;
        for (std::size_t i = 0; i < cells.size() && i < columns.size(); ++i)
            truth[cells[0]][columns[i]] = cells[i];
    }
    return truth;
}

// The list reads each package's invoice as a person does, the facts its
// package states included; goods lists keep none of them.
TEST(CliOfd, TheListReadsCorpusPackagesAsAPersonDoes) {
    VELLUMARK_REQUIRE_CORPUS();
    const CliRun run = RunCli({"list", CorpusDir() + "/ofd", "--format", "json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    auto truth = OfdTruth();
    int invoices = 0;
    for (const auto& value : QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).array()) {
        const QJsonObject row = value.toObject();
        const std::string name = row["name"].toString().toStdString();
        const std::size_t page = name.find("(第");
        if (!row.contains("order"))
            continue;
        SCOPED_TRACE(name);
        if (page != std::string::npos && name.find("(第1页)") == std::string::npos) {
            EXPECT_TRUE(row["number"].isNull());
            continue;
        }
        const auto& facts = truth[name.substr(0, page)];
        ASSERT_FALSE(facts.empty());
        ++invoices;
        EXPECT_EQ(row["kind"].toString().toStdString(), facts.at("kind"));
        // A document that is no invoice keeps no number and no amounts.
        for (const char* key :
             {"code", "number", "date", "total", "amount", "tax", "seller_id", "buyer_id"}) {
            const bool kept = facts.at("kind") != "other" || std::string(key) == "date" ||
                              std::string(key).find("_id") != std::string::npos;
            EXPECT_EQ(row[key].toString().toStdString(), kept ? facts.at(key) : "") << key;
        }
        EXPECT_TRUE(row["uncertain"].toArray().isEmpty());
    }
    EXPECT_EQ(invoices, 7);
}

}  // namespace
}  // namespace vellumark::testing
