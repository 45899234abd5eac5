// What every ledger must do alike, on an SQLite file and on a PostgreSQL
// server: record, flag, list and forget; keep values exactly; stay sound
// when two programs record at once; and say what is wrong when it is
// locked, read-only or of a newer version, without stopping the caller.
#include "ledger_fixture.h"
#include "schema.h"

#include <chrono>

namespace vellumark::testing {
namespace {

using ledger::InvoiceEntry;
using ledger::Ledger;
using ledger::LedgerRecord;

class LedgerCases : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (GetParam() == Backend::kPostgres)
            VELLUMARK_REQUIRE_PG(SharedPgServer());
        site_ = std::make_unique<LedgerSite>(GetParam(), SharedPgServerIfNeeded());
        ledger_ = site_->Open(error_);
        ASSERT_TRUE(ledger_) << error_;
    }
    PgTestServer* SharedPgServerIfNeeded() {
        return GetParam() == Backend::kPostgres ? SharedPgServer() : nullptr;
    }
    std::vector<LedgerRecord> Record(const ledger::MergeRecord& merge) {
        std::vector<LedgerRecord> already;
        EXPECT_TRUE(ledger_->Record(merge, already, error_)) << error_;
        return already;
    }
    std::int64_t Count() {
        ledger::LedgerSummary summary;
        EXPECT_TRUE(ledger_->Where(summary, error_)) << error_;
        return summary.invoices;
    }

    std::unique_ptr<LedgerSite> site_;
    std::unique_ptr<Ledger> ledger_;
    std::string error_;
};

TEST_P(LedgerCases, RecordsFlagsListsAndForgets) {
    EXPECT_TRUE(Record(SampleMerge(0, 3, "一月.pdf")).empty());
    ledger::MergeRecord second = SampleMerge(1, 3, "二月.pdf");
    second.mergedAt += 86400;
    second.entries.push_back(SampleEntry(3));  // twice in one merge: recorded once
    const std::vector<LedgerRecord> already = Record(second);
    ASSERT_EQ(Numbers(already),
              (std::vector<std::string>{SampleEntry(1).key.number, SampleEntry(2).key.number}));
    for (const LedgerRecord& earlier : already)
        EXPECT_EQ(earlier.output, "一月.pdf");  // the first merge's, not overwritten
    EXPECT_EQ(Count(), 4);

    std::vector<LedgerRecord> found;
    ledger::InvoiceKey otherCode = SampleEntry(1).key;
    otherCode.code = "999999999999";
    ASSERT_TRUE(ledger_->Lookup(
        {SampleEntry(0).key, SampleEntry(3).key, otherCode, SampleEntry(99).key}, found, error_));
    EXPECT_EQ(Numbers(found),
              (std::vector<std::string>{SampleEntry(3).key.number, SampleEntry(0).key.number}));

    struct Span {
        ledger::ListFilter filter;
        std::size_t rows;
    };
    const std::int64_t day = SampleMerge(0, 0).mergedAt;
    for (const Span& span : std::vector<Span>{{{}, 4},
                                              {{day + 1, std::nullopt, ""}, 1},
                                              {{std::nullopt, day + 1, ""}, 3},
                                              {{std::nullopt, std::nullopt, "销售方3"}, 1},
                                              {{std::nullopt, std::nullopt, "MA50"}, 1},
                                              {{std::nullopt, std::nullopt, "无此公司"}, 0}}) {
        std::vector<LedgerRecord> rows;
        ASSERT_TRUE(ledger_->List(span.filter, rows, error_)) << error_;
        EXPECT_EQ(rows.size(), span.rows);
    }

    std::vector<LedgerRecord> removed;
    ASSERT_TRUE(ledger_->Forget({SampleEntry(3).key.number, "no-such-number"}, removed, error_));
    EXPECT_EQ(Numbers(removed), std::vector<std::string>{SampleEntry(3).key.number});
    ASSERT_TRUE(ledger_->ForgetOutput("一月.pdf", removed, error_));
    EXPECT_EQ(removed.size(), 3u);
    ASSERT_TRUE(ledger_->ForgetOutput("一月.pdf", removed, error_));
    EXPECT_TRUE(removed.empty());
    EXPECT_EQ(Count(), 0);
    EXPECT_TRUE(Record(SampleMerge(0, 1)).empty()) << "a forgotten invoice is new again";
}

TEST_P(LedgerCases, LargeMergesCrossEveryChunk) {
    EXPECT_TRUE(Record(SampleMerge(0, 1234)).empty());
    std::vector<LedgerRecord> found;
    ASSERT_TRUE(ledger_->Lookup(Keys(SampleMerge(0, 1300).entries), found, error_));
    EXPECT_EQ(found.size(), 1234u);
    EXPECT_EQ(Record(SampleMerge(1000, 300)).size(), 234u);
    EXPECT_EQ(Count(), 1300);
}

TEST_P(LedgerCases, KeepsEveryValueExactly) {
    const std::vector<std::string> texts = {"O'Brien \"引号\" 公司",
                                            "C:\\发票\\",
                                            "100%_折扣",
                                            "'); DROP TABLE invoices; --",
                                            "换行\n制表\t",
                                            std::string(2000, 'x') + "长",
                                            "😀 emoji",
                                            ""};
    ledger::MergeRecord merge = SampleMerge(0, 0, "out\xff\xfe 合并'\".pdf");
    for (std::size_t i = 0; i < texts.size(); ++i) {
        InvoiceEntry e = SampleEntry(static_cast<int>(i));
        e.seller = e.buyer = e.sellerId = texts[i];
        e.fileName = "名\xff\x80" + texts[i].substr(0, 40) + ".pdf";
        merge.entries.push_back(e);
    }
    merge.printer = "HP \"Laser\" \\ 3楼";
    Record(merge);
    std::vector<LedgerRecord> found;
    ASSERT_TRUE(ledger_->Lookup(Keys(merge.entries), found, error_)) << error_;
    ASSERT_EQ(found.size(), texts.size());
    for (const LedgerRecord& r : found) {
        const auto same =
            std::find_if(merge.entries.begin(), merge.entries.end(),
                         [&](const InvoiceEntry& e) { return e.key == r.invoice.key; });
        ASSERT_NE(same, merge.entries.end());
        for (auto [got, want] : {std::pair{r.invoice.seller, same->seller},
                                 {r.invoice.sellerId, same->sellerId},
                                 {r.invoice.fileName, same->fileName},
                                 {r.invoice.total, same->total},
                                 {r.invoice.date, same->date},
                                 {r.invoice.kind, same->kind},
                                 {r.invoice.fingerprint, same->fingerprint},
                                 {r.output, merge.output},
                                 {r.printer, merge.printer},
                                 {r.user, merge.user}})
            EXPECT_EQ(got, want);
        EXPECT_EQ(r.mergedAt, merge.mergedAt);
        EXPECT_TRUE(r.printed);
    }
    std::vector<LedgerRecord> rows;
    ASSERT_TRUE(ledger_->List({std::nullopt, std::nullopt, "100%_"}, rows, error_));
    EXPECT_EQ(rows.size(), 1u) << "% and _ are matched as themselves";
    ASSERT_TRUE(ledger_->ForgetOutput(merge.output, rows, error_));
    EXPECT_EQ(rows.size(), texts.size());
}

TEST_P(LedgerCases, TwoProgramsRecordingAtOnceBothSucceed) {
    const std::string at = site_->location.Text();
    const auto outputs =
        RunHelpersAtOnce({{"record", at, "0", "1500"}, {"record", at, "500", "1500"}});
    int already = 0;
    for (const std::string& out : outputs) {
        ASSERT_NE(out.find("exit 0"), std::string::npos) << out;
        already += std::stoi(out.substr(out.find("already ") + 8));
    }
    EXPECT_EQ(already, 1000) << "each shared invoice is recorded once, and the other told";
    EXPECT_EQ(Count(), 2000);
}

TEST_P(LedgerCases, LockedLedgerIsReadableAndRefusesWritesInWords) {
    Record(SampleMerge(0, 5));
    {
        WriteHold hold(site_->location);
        ASSERT_EQ(hold.Problem(), "");
        std::vector<LedgerRecord> found;
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(ledger_->Lookup(Keys(SampleMerge(0, 5).entries), found, error_)) << error_;
        EXPECT_EQ(found.size(), 5u);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200))
            << "a reader does not wait for a writer";
        std::vector<LedgerRecord> already;
        EXPECT_FALSE(ledger_->Record(SampleMerge(5, 5), already, error_));
        EXPECT_EQ(error_, "台账 " + site_->location.Text() + " 正被另一个程序占用，等待后仍未轮到");
    }
    EXPECT_TRUE(Record(SampleMerge(5, 5)).empty()) << "nothing of the refused merge was kept";
    EXPECT_EQ(Count(), 10);
}

TEST_P(LedgerCases, ReadOnlyLedgerRefusesWritesInWords) {
    Record(SampleMerge(0, 2));
    ledger_.reset();
    if (!site_->MakeReadOnly())
        GTEST_SKIP() << "cannot make the ledger read-only here";
    if (GetParam() == Backend::kSqlite && geteuid() == 0 && !site_->fileSystem())
        GTEST_SKIP() << "root writes to read-only files; needs a file system to mount";
    std::unique_ptr<Ledger> ledger = site_->Open(error_);
    ASSERT_TRUE(ledger) << "a read-only ledger still tells what was merged: " << error_;
    std::vector<LedgerRecord> found;
    ASSERT_TRUE(ledger->Lookup(Keys(SampleMerge(0, 4).entries), found, error_)) << error_;
    EXPECT_EQ(found.size(), 2u);
    EXPECT_FALSE(ledger->Record(SampleMerge(2, 2), found, error_));
    EXPECT_EQ(error_, "台账 " + site_->location.Text() + " 是只读的");
}

TEST_P(LedgerCases, NewerSchemaIsRefusedAndOlderUpgraded) {
    Record(SampleMerge(0, 3));
    ledger_.reset();
    ledger::SchemaPlan two;
    two.version = 2;
    two.steps.push_back({2, {QStringLiteral("ALTER TABLE invoices ADD COLUMN note TEXT")}});
    ledger::OpenOptions options = LedgerSite::Options();
    options.schema = &two;
    std::unique_ptr<Ledger> upgraded = Ledger::Open(site_->location, error_, options);
    ASSERT_TRUE(upgraded) << error_;
    std::vector<LedgerRecord> found;
    ASSERT_TRUE(upgraded->Lookup(Keys(SampleMerge(0, 3).entries), found, error_)) << error_;
    EXPECT_EQ(found.size(), 3u) << "the upgrade keeps what was recorded";
    EXPECT_EQ(RawSql(site_->location, "SELECT note FROM invoices"), "");
    upgraded.reset();
    EXPECT_TRUE(Ledger::Open(site_->location, error_, options)) << "already at 2: " << error_;

    EXPECT_FALSE(site_->Open(error_));
    EXPECT_EQ(error_,
              "台账 " + site_->location.Text() +
                  " 由较新版本的程序建立（格式版本 2，本程序只认识到版本 1），请升级本程序");
    EXPECT_EQ(RawSql(site_->location, "UPDATE ledger_schema SET version = 1"), "");
    EXPECT_TRUE(site_->Open(error_)) << error_;
}

INSTANTIATE_TEST_SUITE_P(Both, LedgerCases, ::testing::Values(Backend::kSqlite, Backend::kPostgres),
                         [](const auto& info) {
                             return info.param == Backend::kSqlite ? "Sqlite" : "Postgres";
                         });

}  // namespace
}  // namespace vellumark::testing
