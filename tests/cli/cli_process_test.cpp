// vellumark-cli run as its own process: exit codes, the lines it prints, and
// what it does and does not change on disk.
#include "cli_process.h"
#include "fixtures/invoice_fixtures.h"
#include "test_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vellumark::testing {
namespace {

using fixtures::ShortPage;
using fixtures::TallPage;
using fixtures::WriteInvoicePdf;

// Short and tall invoices, one three-page download and one invoice saved twice.
void WriteInvoiceFolder(const std::string& folder) {
    ASSERT_TRUE(WriteInvoicePdf(folder + "/短1.pdf", ShortPage("S1")));
    ASSERT_TRUE(WriteInvoicePdf(folder + "/长2.pdf", TallPage("T2")));
    ASSERT_TRUE(WriteInvoicePdf(folder + "/短3.pdf", ShortPage("S3")));
    ASSERT_TRUE(
        WriteInvoicePdf(folder + "/合并.pdf", {ShortPage("M1"), TallPage("M2"), ShortPage("M3")}));
    CopyFile(folder + "/短1.pdf", folder + "/短1 (1).pdf");
}

bool OneLineMentioning(const std::string& err, const std::string& text) {
    const auto lines = Lines(err);
    return lines.size() == 1 && lines[0].find(text) != std::string::npos;
}

TEST(CliProcess, BadArgumentsExitWithTwoAndOneLine) {
    TempDir dir;
    WriteInvoiceFolder(dir.path());
    const auto before = Snapshot(dir.path());
    for (const auto& words : std::vector<std::vector<std::string>>{
             {},
             {"frobnicate", dir.path()},
             {"merge", dir.path(), "--layout", "a3-nine"},
             {"merge", dir.path(), "--copies", "2"},
             {"list", dir.path(), "--format", "xml"},
         }) {
        const CliRun run = RunCli(words);
        EXPECT_EQ(run.exitCode, 2) << ::testing::PrintToString(words) << run.err;
        EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
        EXPECT_TRUE(run.out.empty());
    }
    EXPECT_TRUE(
        OneLineMentioning(RunCli({"merge", dir.path(), "--layout", "a3-nine"}).err, "a3-nine"));
    const CliRun missing = RunCli({"merge", dir / "nowhere"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(OneLineMentioning(missing.err, dir / "nowhere")) << missing.err;
    EXPECT_EQ(Snapshot(dir.path()), before);

    const CliRun help = RunCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("a4-two-same"), std::string::npos);
}

TEST(CliProcess, FolderWithoutPdfsIsOneLineAndExitOne) {
    TempDir dir;
    WriteFile(dir / "readme.txt", "no invoices here");
    for (const char* command : {"merge", "list"}) {
        const CliRun run = RunCli({command, dir.path()});
        EXPECT_EQ(run.exitCode, 1) << command;
        EXPECT_TRUE(OneLineMentioning(run.err, ".pdf")) << run.err;
    }
}

TEST(CliProcess, RefusedJobsFailBeforeTouchingAnything) {
    TempDir dir;
    WriteInvoiceFolder(dir.path());
    const auto before = Snapshot(dir.path());
    const std::string target = dir / "no-such-folder/out.pdf";
    const CliRun run = RunCli({"merge", dir.path(), "--output", target});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(OneLineMentioning(run.err, dir / "no-such-folder")) << run.err;
    // The three-page file is not split for a merge that cannot be saved.
    EXPECT_EQ(Snapshot(dir.path()), before);

    // Nor for a job for a printer that is not there.
    TempDir elsewhere;
    const CliRun printing = RunCli(
        {"merge", dir.path(), "--print", "没有这台打印机", "--output", elsewhere / "out.pdf"});
    EXPECT_EQ(printing.exitCode, 2);
    EXPECT_TRUE(OneLineMentioning(printing.err, "没有这台打印机")) << printing.err;
    EXPECT_EQ(Snapshot(dir.path()), before);
}

TEST(CliProcess, ListMarksByteIdenticalCopiesAndChangesNothing) {
    TempDir dir;
    WriteInvoiceFolder(dir.path());
    const auto before = Snapshot(dir.path());
    const CliRun run = RunCli({"list", dir.path(), "--format", "json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Snapshot(dir.path()), before);

    QJsonArray all = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).array();
    // Five rows and, last, what they add up to: made-up pages are no invoices.
    ASSERT_EQ(all.size(), 6);
    EXPECT_EQ(all.last().toObject()["invoices"].toInt(), 0);
    EXPECT_FALSE(all.last().toObject().contains("order"));
    all.removeLast();
    const QJsonArray rows = all;
    // Tallest first; the three-page file is listed whole, by its first page.
    EXPECT_EQ(rows[0]["height"].toInt(), 297);
    std::map<QString, QJsonObject> byName;
    for (const auto& row : rows)
        byName[row.toObject()["name"].toString()] = row.toObject();
    EXPECT_EQ(byName["合并"]["pages"].toInt(), 3);
    const int original = byName["短1"]["order"].toInt();
    const int copy = byName["短1 (1)"]["order"].toInt();
    EXPECT_EQ(byName["短1"]["duplicates"].toArray(), QJsonArray({copy}));
    EXPECT_EQ(byName["短1 (1)"]["duplicates"].toArray(), QJsonArray({original}));
    EXPECT_TRUE(byName["短3"]["duplicates"].toArray().isEmpty());
    EXPECT_EQ(byName["短3"]["path"].toString().toStdString(), dir / "短3.pdf");

    const CliRun csv = RunCli({"list", dir.path(), "--format", "csv"});
    ASSERT_EQ(csv.exitCode, 0);
    EXPECT_EQ(Lines(csv.out).size(), 7u);
    EXPECT_EQ(
        Lines(csv.out)[0].rfind(
            "\xEF\xBB\xBForder,name,pages,height,width,path,duplicates,problem,kind,code,number,",
            0),
        0u);
    const CliRun table = RunCli({"list", dir.path()});
    ASSERT_EQ(table.exitCode, 0);
    EXPECT_EQ(Lines(table.out).size(), 7u);
}

TEST(CliProcess, ListMarksTheCorpusPairs) {
    VELLUMARK_REQUIRE_CORPUS();
    TempDir dir;
    const std::string from = CorpusDir() + "/invoices/mxvc-invoice/";
    for (const char* name : {"发票3.pdf", "21.06.pdf", "19.70.pdf"})
        CopyFile(from + name, dir / name);
    const CliRun run = RunCli({"list", dir.path(), "--format", "csv"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::map<std::string, std::string> duplicates;  // name -> duplicates column
    for (const auto& line : Lines(run.out)) {
        std::vector<std::string> fields;  // these names and paths hold no commas
        for (std::size_t start = 0, comma = 0; comma != std::string::npos; start = comma + 1) {
            comma = line.find(',', start);
            fields.push_back(line.substr(start, comma - start));
        }
        duplicates[fields.at(1)] = fields.at(6);
    }
    EXPECT_FALSE(duplicates["发票3"].empty());
    EXPECT_FALSE(duplicates["21.06"].empty());
    EXPECT_TRUE(duplicates["19.70"].empty());
}

TEST(CliProcess, NamesThatAreNotUtf8SurviveJson) {
    TempDir dir;
    const std::string gbkName = "\xb7\xa2\xff";  // "发" in GBK and a stray byte
    ASSERT_TRUE(WriteInvoicePdf(dir / (gbkName + ".pdf"), ShortPage("G")));
    const CliRun run = RunCli({"list", dir.path(), "--format", "json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("\"name\": \"\\udcb7\\udca2\\udcff\""), std::string::npos) << run.out;
}

}  // namespace
}  // namespace vellumark::testing
