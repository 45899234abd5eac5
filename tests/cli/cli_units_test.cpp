// The batch program's own pieces: its command line, the escaping of names in
// the list formats, and the search for identical files.
#include "cli_arguments.h"
#include "duplicates.h"
#include "list_output.h"
#include "test_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vellumark::cli {
namespace {

using testing::TempDir;
using testing::WriteFile;

ParseResult Parse(std::vector<std::string> words) {
    return ParseArguments(words);
}

TEST(CliArguments, AcceptsEveryOptionInAnyOrder) {
    const auto parsed = Parse({"merge", "--layout", "a5-one", "票据", "--output=/tmp/x.pdf",
                               "--no-split", "--print", "HP", "--copies", "3", "--pages", "2-4"});
    ASSERT_TRUE(parsed.arguments) << parsed.error;
    const Arguments& a = *parsed.arguments;
    EXPECT_EQ(a.command, Command::kMerge);
    EXPECT_EQ(a.folder, "票据");
    EXPECT_EQ(a.layout, "a5-one");
    EXPECT_EQ(a.output.value_or(""), "/tmp/x.pdf");
    EXPECT_TRUE(a.noSplit);
    ASSERT_TRUE(a.print);
    EXPECT_EQ(a.print->printer, "HP");
    EXPECT_EQ(a.print->copies, 3);
    EXPECT_EQ(a.print->firstPage, 2);
    EXPECT_EQ(a.print->lastPage, 4);

    const auto defaults = Parse({"merge", "d"});
    ASSERT_TRUE(defaults.arguments);
    EXPECT_EQ(defaults.arguments->layout, "a4-two");
    EXPECT_FALSE(defaults.arguments->print);

    // After "--" a folder may begin with a dash.
    const auto dashed = Parse({"list", "--format", "json", "--", "-票据"});
    ASSERT_TRUE(dashed.arguments);
    EXPECT_EQ(dashed.arguments->folder, "-票据");
    EXPECT_EQ(dashed.arguments->format, ListFormat::kJson);
}

TEST(CliArguments, RefusesWhatItCannotDo) {
    for (const auto& words : std::vector<std::vector<std::string>>{
             {},
             {"print", "d"},
             {"merge"},
             {"merge", "d", "e"},
             {"merge", "d", "--layout", "a3-two"},
             {"merge", "d", "--layout"},
             {"merge", "d", "--copies", "2"},
             {"merge", "d", "--print", "P", "--copies", "0"},
             {"merge", "d", "--print", "P", "--copies", "101"},
             {"merge", "d", "--print", "P", "--pages", "3-2"},
             {"merge", "d", "--print", "P", "--pages", "1-"},
             {"merge", "d", "--format", "csv"},
             {"list", "d", "--format", "xml"},
             {"list", "d", "--no-split"},
             {"list", "d", "-x"},
         }) {
        const auto parsed = Parse(words);
        EXPECT_FALSE(parsed.arguments) << ::testing::PrintToString(words);
        EXPECT_FALSE(parsed.error.empty());
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos);
    }
    EXPECT_NE(Parse({"merge", "d", "--layout", "a3-two"}).error.find("a3-two"), std::string::npos);
}

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

TEST(ListFormats, JsonAndCsvCarryEveryColumn) {
    std::vector<ListedInvoice> listing = {
        {1, "a,\"b\"", 1, 297, 210, "/x/a,\"b\".pdf", {3}},
        {2, "发票", 2, 140, 210, "/x/发票.pdf", {}, "需要密码才能打开"},
        {3, "c", 1, 140, 210, "/x/c.pdf", {1}},
    };
    const auto json = QJsonDocument::fromJson(
        QByteArray::fromStdString(FormatListing(listing, ListFormat::kJson)));
    ASSERT_TRUE(json.isArray());
    const QJsonArray rows = json.array();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0]["name"].toString(), QStringLiteral("a,\"b\""));
    EXPECT_EQ(rows[0]["height"].toInt(), 297);
    EXPECT_EQ(rows[0]["duplicates"].toArray(), QJsonArray({3}));
    EXPECT_EQ(rows[1]["path"].toString(), QStringLiteral("/x/发票.pdf"));
    EXPECT_EQ(rows[1]["pages"].toInt(), 2);
    EXPECT_TRUE(rows[1]["duplicates"].toArray().isEmpty());
    EXPECT_EQ(rows[1]["problem"].toString(), QStringLiteral("需要密码才能打开"));
    EXPECT_TRUE(rows[0]["problem"].isNull());
    EXPECT_EQ(FormatListing({}, ListFormat::kJson), "[]\n");

    EXPECT_EQ(FormatListing(listing, ListFormat::kCsv),
              "order,name,pages,height,width,path,duplicates,problem\n"
              "1,\"a,\"\"b\"\"\",1,297,210,\"/x/a,\"\"b\"\".pdf\",3,\n"
              "2,发票,2,140,210,/x/发票.pdf,,需要密码才能打开\n"
              "3,c,1,140,210,/x/c.pdf,1,\n");
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
}  // namespace vellumark::cli
