// The listing's three forms and the names in them, and finding files with
// the same bytes.
#include "facts/listing.h"
#include "test_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace vellumark {
namespace {

using testing::TempDir;
using testing::WriteFile;

TEST(ListFormats, EscapeAnyName) {
    EXPECT_EQ(CsvField("发票1"), "发票1");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvField("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(CsvField(" padded"), "\" padded\"");

    EXPECT_EQ(JsonString("发票\"1\"\\"), "\"发票\\\"1\\\"\\\\\"");
    EXPECT_EQ(JsonString("a\nb\x01"), "\"a\\nb\\u0001\"");
    // GBK bytes of "发票" are not UTF-8: each byte is kept as a lone surrogate.
    EXPECT_EQ(JsonString("\xb7\xa2"), "\"\\udcb7\\udca2\"");
    // Overlong and surrogate encodings are not valid UTF-8 either.
    EXPECT_EQ(JsonString("\xc0\xaf"), "\"\\udcc0\\udcaf\"");
    EXPECT_EQ(JsonString("\xed\xa0\x80"), "\"\\udced\\udca0\\udc80\"");

    EXPECT_EQ(TerminalText("a\x1b[2Jb\xb7"), "a?[2Jb?");
    EXPECT_EQ(DisplayWidth("发票ab"), 6);
}

// Rows of a listing, as BuildListing makes them, without files.
Listing Sample() {
    Listing listing;
    InvoiceFacts invoice;
    invoice.kind = InvoiceKind::kElectronicOrdinary;
    invoice.fields[kFactCode] = "044002200111";
    invoice.fields[kFactNumber] = "38526680";
    invoice.fields[kFactDate] = "2022-08-30";
    invoice.fields[kFactTotal] = "21.06";
    invoice.fields[kFactSeller] = "广州旅宝网络科技有限公司";
    invoice.MarkUncertain(kFactTotal);
    listing.rows = {
        {1, "a,\"b\"", 1, 297, 210, "/x/a,\"b\".pdf", {3}, {}, invoice, 0, 0, {3}},
        {2, "发票", 2, 140, 210, "/x/发票.pdf", {}, "需要密码才能打开"},
        {3, "c", 1, 140, 210, "/x/c.pdf", {1}, {}, invoice, 0, 1, {1}},
        {4, "c(第2页)", 1, 140, 210, "/x/c(第2页).pdf", {}, {}, {}, 3, 0, {}},
    };
    listing.summary = {1, 2106, 0};
    return listing;
}

TEST(ListFormats, JsonCarriesEveryFieldAndTheSumLast) {
    const auto json = QJsonDocument::fromJson(
        QByteArray::fromStdString(FormatListing(Sample(), ListFormat::kJson)));
    ASSERT_TRUE(json.isArray());
    const QJsonArray rows = json.array();
    ASSERT_EQ(rows.size(), 5);
    const QJsonObject first = rows[0].toObject();
    EXPECT_EQ(first["name"].toString(), QStringLiteral("a,\"b\""));
    EXPECT_EQ(first["height"].toInt(), 297);
    EXPECT_EQ(first["duplicates"].toArray(), QJsonArray({3}));
    EXPECT_TRUE(first["problem"].isNull());
    EXPECT_EQ(first["kind"].toString(), QStringLiteral("e_ordinary"));
    EXPECT_EQ(first["number"].toString(), QStringLiteral("38526680"));
    EXPECT_EQ(first["seller"].toString(), QStringLiteral("广州旅宝网络科技有限公司"));
    EXPECT_TRUE(first["buyer_id"].isNull());
    EXPECT_EQ(first["uncertain"].toArray(), QJsonArray({QStringLiteral("total")}));
    EXPECT_TRUE(first["duplicate_of"].isNull());
    EXPECT_EQ(rows[2].toObject()["duplicate_of"].toInt(), 1);
    EXPECT_EQ(rows[3].toObject()["continuation_of"].toInt(), 3);
    EXPECT_EQ(rows[1].toObject()["problem"].toString(), QStringLiteral("需要密码才能打开"));
    for (const char* key : {"kind", "code", "number", "date", "total", "amount", "tax", "seller",
                            "seller_id", "buyer", "buyer_id", "continuation_of", "duplicate_of"})
        EXPECT_TRUE(rows[1].toObject().contains(key)) << key;
    const QJsonObject sum = rows[4].toObject();
    EXPECT_EQ(sum["invoices"].toInt(), 1);
    EXPECT_EQ(sum["total"].toString(), QStringLiteral("21.06"));
    EXPECT_FALSE(sum.contains("order"));
}

TEST(ListFormats, CsvOpensInASpreadsheetAndTheTableNamesRowsByNumber) {
    const std::string csv = FormatListing(Sample(), ListFormat::kCsv);
    ASSERT_EQ(csv.rfind("\xEF\xBB\xBF", 0), 0u);
    const QStringList lines = QString::fromStdString(csv.substr(3)).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(
        lines[0],
        QStringLiteral(
            "order,name,pages,height,width,path,duplicates,problem,kind,code,number,date,total,"
            "amount,tax,seller,seller_id,buyer,buyer_id,continuation_of,duplicate_of,uncertain,"
            "other_format_of,printed_before"));
    EXPECT_EQ(lines[1], QStringLiteral("1,\"a,\"\"b\"\"\",1,297,210,\"/x/"
                                       "a,\"\"b\"\".pdf\",3,,e_ordinary,044002200111,38526680,"
                                       "2022-08-30,21.06,,,广州旅宝网络科技有限公司,,,,,,total,,"));
    EXPECT_TRUE(lines[4].startsWith(QStringLiteral("4,c(第2页),1,140,210,")));
    EXPECT_TRUE(lines[4].endsWith(QStringLiteral(",3,,,,")));
    // The sum: its words under the names, its amount under the totals.
    const QStringList sum = lines[5].split(',');
    ASSERT_EQ(sum.size(), 24);
    EXPECT_EQ(sum[1], QStringLiteral("共 1 张发票，价税合计 21.06 元"));
    EXPECT_EQ(sum[12], QStringLiteral("21.06"));

    const std::string table = FormatListing(Sample(), ListFormat::kTable);
    EXPECT_NE(table.find("=1 (发票号码 38526680)"), std::string::npos) << table;
    EXPECT_NE(table.find("续3"), std::string::npos);
    EXPECT_NE(table.find("21.06?"), std::string::npos);
    EXPECT_EQ(table.substr(table.rfind('\n', table.size() - 2) + 1),
              "共 1 张发票，价税合计 21.06 元\n");
    EXPECT_EQ(SummaryText({3, 123456, 2}),
              "共 3 张发票，价税合计 1234.56 元（其中 2 张未能读出金额，未计入）");
}

// A listed row: a PDF, or page `ofdPage` of an OFD package; a page without
// a number is a goods list.
struct PairRow {
    const char* path;
    int ofdPage;
    const char* number;
    const char* total = "1.00";
};

Listing ListingOf(const std::vector<PairRow>& listed) {
    InvoiceRows rows;
    std::vector<InvoiceFacts> facts;
    for (const PairRow& r : listed) {
        const int row = rows.rowCount();
        rows.AppendRow();
        rows.SetOrder(row, row + 1);
        rows.SetPath(row, std::string("/f/") + r.path);
        if (r.ofdPage > 0)
            rows.SetPage(row, InvoiceFormat::kOfd, r.ofdPage);
        InvoiceFacts f;
        f.kind = InvoiceKind::kDigitalOrdinary;
        f.fields[kFactNumber] = r.number;
        f.fields[kFactTotal] = *r.number ? r.total : "";
        facts.push_back(f);
    }
    return BuildListing(rows, facts);
}

// The PDF and the OFD of one invoice are a pair, found whatever their order:
// the OFD's pages stay off the sheets with their goods lists, the PDF's
// goods lists do not, and repeats within one format stay repeats.
TEST(Listing, AnInvoiceInBothFormatsIsAPairNotARepeat) {
    const struct {
        const char* name;
        std::vector<PairRow> rows;
        std::vector<int> otherFormatOf, duplicateOf;
        std::vector<bool> fromPdf;
        int invoices;
    } cases[] = {
        {"pdf, then its ofd without a total",
         {{"a.pdf", 0, "1"}, {"a.ofd", 1, "1", ""}},
         {2, 1},
         {0, 0},
         {false, true},
         1},
        {"goods lists of both, the ofd's first",
         {{"a.ofd", 2, ""}, {"a.ofd", 1, "1"}, {"a(第1页).pdf", 0, "1"}, {"a(第2页).pdf", 0, ""}},
         {0, 3, 2, 0},
         {0, 0, 0, 0},
         {true, true, false, false},
         1},
        {"a second pdf is a repeat",
         {{"a.pdf", 0, "1"}, {"b.pdf", 0, "1"}, {"a.ofd", 1, "1"}},
         {3, 3, 1},
         {0, 1, 0},
         {false, false, true},
         1},
        {"two ofds without a pdf are repeats",
         {{"a.ofd", 1, "1"}, {"b.ofd", 1, "1"}},
         {0, 0},
         {0, 1},
         {false, false},
         1},
        {"another number",
         {{"a.pdf", 0, "1"}, {"b.ofd", 1, "2"}},
         {0, 0},
         {0, 0},
         {false, false},
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Listing listing = ListingOf(c.rows);
        std::vector<int> otherFormatOf, duplicateOf;
        for (const ListedInvoice& row : listing.rows) {
            otherFormatOf.push_back(row.otherFormatOf);
            duplicateOf.push_back(row.duplicateOf);
        }
        EXPECT_EQ(otherFormatOf, c.otherFormatOf);
        EXPECT_EQ(duplicateOf, c.duplicateOf);
        EXPECT_EQ(PlacedFromPdf(listing), c.fromPdf);
        EXPECT_EQ(listing.summary.invoices, c.invoices);
        EXPECT_TRUE(listing.unread.empty());
    }
    const Listing pair = ListingOf(cases[0].rows);
    EXPECT_NE(FormatListing(pair, ListFormat::kTable).find("=1 (另一种格式)"), std::string::npos);
    EXPECT_NE(FormatListing(pair, ListFormat::kJson).find("\"other_format_of\": 2"),
              std::string::npos);
    EXPECT_NE(FormatListing(pair, ListFormat::kCsv).find(",,,,2,\n"), std::string::npos);
}

TEST(IdenticalFiles, GroupsOnlyEqualBytes) {
    TempDir dir;
    WriteFile(dir / "a", "same bytes");
    WriteFile(dir / "b", "same bytes");
    WriteFile(dir / "c", "same bytez");  // same size, other bytes
    WriteFile(dir / "d", "same bytes");
    WriteFile(dir / "e", "other");
    const auto groups =
        IdenticalFileGroups({dir / "a", dir / "b", dir / "c", dir / "d", dir / "e", dir / "gone"});
    ASSERT_EQ(groups.size(), 6u);
    EXPECT_GE(groups[0], 0);
    EXPECT_EQ(groups[1], groups[0]);
    EXPECT_EQ(groups[3], groups[0]);
    EXPECT_EQ(groups[2], -1);
    EXPECT_EQ(groups[4], -1);
    EXPECT_EQ(groups[5], -1);
}

}  // namespace
}  // namespace vellumark
