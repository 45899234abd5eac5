// vellumark-cli ledger as a user runs it: what each action prints, its exit
// code, and which ledger it uses.
#include "cli_process.h"
#include "fixtures/invoice_fixtures.h"
#include "ledger_fixture.h"
#include "pg_test_server.h"

#include <memory>

namespace vellumark::testing {
namespace {

using ledger::LedgerRecord;

// A ledger file holding the sample invoices 0..9 merged into "一月.pdf".
std::string FilledLedger(const TempDir& dir) {
    const std::string path = dir / "台账.sqlite";
    ledger::Location at;
    at.path = path;
    std::string error;
    auto book = ledger::Ledger::Open(at, error);
    std::vector<LedgerRecord> already;
    EXPECT_TRUE(book && book->Record(SampleMerge(0, 10, "一月.pdf"), already, error)) << error;
    return path;
}

TEST(LedgerCli, EachActionSaysWhatItDidAndExitsAccordingly) {
    TempDir dir;
    const std::string path = FilledLedger(dir);
    const std::string number = SampleEntry(4).key.number;
    struct Case {
        std::vector<std::string> words;
        int exitCode;
        std::string outHas;  // a piece of standard output, or of standard error when failing
    };
    const std::vector<Case> cases = {
        {{"ledger", "where"}, 0, "台账：" + path + "\n共 10 张发票\n"},
        {{"ledger", "list"}, 0, "共 10 张发票，价税合计 1050.00 元"},
        {{"ledger", "list", "--seller", "销售方4", "--format", "json"},
         0,
         "{\"invoices\": 1, \"total\": \"104.50\", \"without_total\": 0}"},
        {{"ledger", "list", "--until", "2026-11-01"}, 0, "共 0 张发票"},
        {{"ledger", "list", "--format", "csv"}, 0, "\xEF\xBB\xBFmerged_at,kind,code,number"},
        {{"ledger", "forget", number}, 0, "已从台账删除：发票号码 " + number},
        {{"ledger", "forget", number}, 1, "台账中没有这些发票号码"},
        {{"ledger", "forget", "--output", "一月.pdf"}, 0, "共删除 9 张发票"},
        {{"ledger", "where"}, 0, "共 0 张发票"},
        {{"ledger", "repair"}, 1, "完好，无需修复"},
        {{"ledger", "list", "--since", "2026-02-30"}, 2, "没有这一天：2026-02-30"},
    };
    for (const Case& c : cases) {
        const CliRun run = RunCli(c.words, {.environment = {"VELLUMARK_LEDGER=" + path}});
        EXPECT_EQ(run.exitCode, c.exitCode) << ::testing::PrintToString(c.words) << run.err;
        const std::string& said = c.exitCode == 0 ? run.out : run.err;
        EXPECT_NE(said.find(c.outHas), std::string::npos)
            << ::testing::PrintToString(c.words) << "\n"
            << said;
    }
}

TEST(LedgerCli, CommandLineLedgerComesBeforeTheEnvironment) {
    TempDir dir;
    const std::string filled = FilledLedger(dir);
    const CliRun run = RunCli({"ledger", "where", "--ledger", filled},
                              {.environment = {"VELLUMARK_LEDGER=" + (dir / "other.sqlite")}});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("共 10 张发票"), std::string::npos) << run.out;
}

TEST(LedgerCli, DamagedLedgerIsSaidThenSetAsideOnRepair) {
    TempDir dir;
    const std::string path = dir / "台账.sqlite";
    WriteFile(path, std::string(4096, 'Z'));
    const CliOptions options{.environment = {"VELLUMARK_LEDGER=" + path}};
    CliRun run = RunCli({"ledger", "list"}, options);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              "vellumark-cli: 无法打开台账：台账 " + path +
                  " 已损坏（运行 vellumark-cli ledger repair 可将它另存一边并新建台账）\n");
    run = RunCli({"ledger", "repair"}, options);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ListFolder(dir.path()).size(), 2u);
    EXPECT_EQ(RunCli({"ledger", "where"}, options).exitCode, 0);
}

// Two installs of the program on two desktops, one ledger on a server: an
// invoice merged on one is flagged on the other.
TEST(LedgerCli, TwoInstallsSharingAServerSeeEachOthersInvoices) {
    const std::unique_ptr<PgTestServer> server(StartPgServer());
    VELLUMARK_REQUIRE_PG(server);
    const ledger::Location at = server->FreshDatabase();
    const std::string uri = "VELLUMARK_LEDGER=postgresql://" + at.user + "@/" + at.database +
                            "?host=" + at.host + "&port=" + std::to_string(PgTestServer::kPort);
    TempDir folder, first, second;
    ASSERT_TRUE(fixtures::WriteFactInvoicePdf(folder / "发票.pdf", fixtures::FixtureInvoice{}));
    const std::string installs[] = {MakeProgramDirectory(first.path()),
                                    MakeProgramDirectory(second.path())};
    for (int i = 0; i < 2; ++i) {
        CliOptions options;
        options.programDirectory = installs[i];
        options.environment = {uri};
        const CliRun run = RunCli(
            {"merge", folder.path(), "--output", (i == 0 ? first : second) / "o.pdf"}, options);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        if (i == 0)
            EXPECT_EQ(run.err, "");
        else
            EXPECT_NE(run.err.find("24957000000021350618）已于 "), std::string::npos) << run.err;
    }
}

}  // namespace
}  // namespace vellumark::testing
