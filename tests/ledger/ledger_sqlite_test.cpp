// What only a ledger file meets: damage, a full disk, and names that are
// not UTF-8. A damaged file is never written to, and set aside only when
// asked.
#include "ledger_fixture.h"

#include <sys/stat.h>

namespace vellumark::testing {
namespace {

using ledger::Ledger;
using ledger::LedgerRecord;

std::unique_ptr<Ledger> OpenAt(const std::string& path, std::string& error) {
    ledger::Location at;
    at.path = path;
    return Ledger::Open(at, error, LedgerSite::Options());
}

// A sound ledger of 300 invoices whose pages past the first are overwritten.
void WriteDamagedPages(const std::string& path) {
    {
        std::string error;
        auto ledger = OpenAt(path, error);
        std::vector<LedgerRecord> already;
        ASSERT_TRUE(ledger && ledger->Record(SampleMerge(0, 300), already, error)) << error;
    }
    std::string bytes = ReadFile(path);
    ASSERT_GT(bytes.size(), 16384u);
    for (std::size_t i = 4096; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    WriteFile(path, bytes);
}

TEST(LedgerFile, DamagedFileIsNeverWrittenAndSetAsideOnlyOnRepair) {
    struct Case {
        const char* what;
        std::function<void(const std::string&)> damage;
    };
    const std::vector<Case> cases = {
        {"not a database", [](const std::string& p) { WriteFile(p, std::string(8192, 'Z')); }},
        {"damaged pages", WriteDamagedPages},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = dir / "台账.sqlite";
        c.damage(path);
        const std::string before = ReadFile(path);
        std::string error;
        std::vector<LedgerRecord> found;
        auto ledger = OpenAt(path, error);
        if (ledger) {
            EXPECT_FALSE(ledger->Lookup(Keys(SampleMerge(0, 300).entries), found, error));
        }
        ledger.reset();
        EXPECT_EQ(error,
                  "台账 " + path +
                      " 已损坏（运行 vellumark-cli ledger repair 可将它另存一边并新建台账）");
        EXPECT_EQ(ReadFile(path), before) << "opening never writes to a damaged file";

        ledger::Location at;
        at.path = path;
        const std::string aside = Ledger::Repair(at, error, LedgerSite::Options());
        ASSERT_NE(aside, "") << error;
        EXPECT_EQ(aside.rfind(path + ".damaged-", 0), 0u) << aside;
        EXPECT_EQ(ReadFile(aside), before);
        ledger = OpenAt(path, error);
        ASSERT_TRUE(ledger) << error;
        ledger::LedgerSummary summary;
        ASSERT_TRUE(ledger->Where(summary, error));
        EXPECT_EQ(summary.invoices, 0);
    }
}

TEST(LedgerFile, RepairLeavesSoundOrMissingLedgersAlone) {
    TempDir dir;
    ledger::Location at;
    at.path = dir / "台账.sqlite";
    std::string error;
    EXPECT_EQ(Ledger::Repair(at, error), "");
    EXPECT_EQ(error, "台账 " + at.path + " 还不存在，无需修复");
    {
        auto ledger = OpenAt(at.path, error);
        std::vector<LedgerRecord> already;
        ASSERT_TRUE(ledger && ledger->Record(SampleMerge(0, 5), already, error)) << error;
    }
    EXPECT_EQ(Ledger::Repair(at, error), "");
    EXPECT_EQ(error, "台账 " + at.path + " 完好，无需修复");
    EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"台账.sqlite"});
}

TEST(LedgerFile, FullDiskIsSaidAndWhatWasRecordedStays) {
    SmallFileSystem fs(2L << 20);
    if (!fs.Mounted())
        GTEST_SKIP() << "needs root to mount a small file system";
    std::string error;
    auto ledger = OpenAt(fs / "台账.sqlite", error);
    ASSERT_TRUE(ledger) << error;
    std::vector<LedgerRecord> already;
    ASSERT_TRUE(ledger->Record(SampleMerge(0, 10), already, error)) << error;
    fs.FillLeaving(0);
    EXPECT_FALSE(ledger->Record(SampleMerge(10, 3000), already, error));
    EXPECT_EQ(error, "台账 " + fs / "台账.sqlite" + " 所在的磁盘已满");
    std::remove((fs / "filler").c_str());
    ASSERT_TRUE(ledger->Record(SampleMerge(0, 20), already, error)) << error;
    EXPECT_EQ(already.size(), 10u) << "the first merge survived, none of the failed one did";
}

TEST(LedgerFile, PathsThatAreNotUtf8AreUsedAsTheyStand) {
    TempDir dir;
    for (const std::string name : {"台账\xff\xfe.sqlite", "a?b#c%41.sqlite"}) {
        std::string error;
        auto ledger = OpenAt(dir / name, error);
        ASSERT_TRUE(ledger) << error;
        std::vector<LedgerRecord> already;
        ASSERT_TRUE(ledger->Record(SampleMerge(0, 1), already, error)) << error;
        struct stat st {};
        EXPECT_EQ(stat((dir / name).c_str(), &st), 0) << name;
    }
}

TEST(LedgerFile, MissingFolderIsSaid) {
    std::string error;
    EXPECT_FALSE(OpenAt("/nonexistent-folder/台账.sqlite", error));
    EXPECT_EQ(error, "台账 /nonexistent-folder/台账.sqlite 无法打开（所在文件夹不存在或没有权限）");
}

}  // namespace
}  // namespace vellumark::testing
