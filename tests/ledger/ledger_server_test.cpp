// What only a ledger on a server meets: a server that is down or goes away
// mid-way, and logins it refuses. The password is libpq's to find.
#include "ledger_fixture.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace vellumark::testing {
namespace {

using ledger::Ledger;
using ledger::LedgerRecord;

class LedgerServer : public ::testing::Test {
protected:
    void SetUp() override { VELLUMARK_REQUIRE_PG(SharedPgServer()); }
    void TearDown() override {
        unsetenv("PGPASSWORD");
        unsetenv("PGPASSFILE");
    }
};

TEST_F(LedgerServer, LoginIsLeftToLibpqAndRefusalsAreSaid) {
    PgTestServer& server = *SharedPgServer();
    TempDir dir;
    const std::string pgpass = dir / "pgpass";
    // ':' and '\' are escaped in the file's fields.
    WriteFile(pgpass, "*:*:*:guarded:s3cret'\\\\pw\n");
    chmod(pgpass.c_str(), 0600);
    struct Case {
        const char* what;
        const char* password;    // in the URI
        const char* pgpassword;  // PGPASSWORD
        const char* pgpassfile;  // PGPASSFILE
        bool opens;
    };
    const std::vector<Case> cases = {
        {"no password anywhere", "", nullptr, "/nonexistent", false},
        {"a wrong PGPASSWORD", "", "wrong", nullptr, false},
        {"the right PGPASSWORD", "", PgTestServer::kGuardedPassword, nullptr, true},
        {"the password file", "", nullptr, pgpass.c_str(), true},
        {"the URI's password", "s3cret%27%5Cpw", nullptr, "/nonexistent", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.pgpassword ? setenv("PGPASSWORD", c.pgpassword, 1) : unsetenv("PGPASSWORD");
        c.pgpassfile ? setenv("PGPASSFILE", c.pgpassfile, 1) : unsetenv("PGPASSFILE");
        const std::string uri = std::string("postgresql://guarded") +
                                (*c.password ? std::string(":") + c.password : "") +
                                "@/guarded?host=" + server.SocketFolder() + "&port=5432";
        const ledger::LocationChoice choice = ledger::ParseLocation(uri);
        ASSERT_TRUE(choice.location) << choice.error;
        std::string error;
        const bool opened = Ledger::Open(*choice.location, error, LedgerSite::Options()) != nullptr;
        EXPECT_EQ(opened, c.opens) << error;
        if (!c.opens) {
            EXPECT_EQ(error, "台账 postgresql://guarded@/guarded?host=" + server.SocketFolder() +
                                 "&port=5432 的服务器拒绝登录（用户名或密码不对；密码请放在 "
                                 "~/.pgpass 或 PGPASSWORD 中）");
        }
    }
}

TEST_F(LedgerServer, NoServerIsSaidAtOnce) {
    TempDir empty;
    ledger::Location at;
    at.kind = ledger::Location::Kind::kPostgres;
    at.host = empty.path();
    at.database = "ledger";
    std::string error;
    EXPECT_FALSE(Ledger::Open(at, error, LedgerSite::Options()));
    EXPECT_EQ(error, "台账 " + at.Text() + " 的服务器无法连接（没有运行，或连接已中断）");
    at.host = SharedPgServer()->SocketFolder();
    at.port = PgTestServer::kPort;
    at.user = "ledger";
    at.database = "no_such_database";
    EXPECT_FALSE(Ledger::Open(at, error, LedgerSite::Options()));
    EXPECT_EQ(error, "台账 " + at.Text() + " 的数据库在服务器上不存在");
}

// Last of the suite's uses of the server: it is started again afterwards.
TEST_F(LedgerServer, ServerGoneMidwayIsSaidWithoutHanging) {
    PgTestServer& server = *SharedPgServer();
    LedgerSite site(Backend::kPostgres, &server);
    std::string error;
    auto ledger = site.Open(error);
    ASSERT_TRUE(ledger) << error;
    std::vector<LedgerRecord> records;
    ASSERT_TRUE(ledger->Record(SampleMerge(0, 10), records, error)) << error;
    server.Stop();
    const auto start = std::chrono::steady_clock::now();
    const std::string down =
        "台账 " + site.location.Text() + " 的服务器无法连接（没有运行，或连接已中断）";
    EXPECT_FALSE(ledger->Record(SampleMerge(10, 10), records, error));
    EXPECT_EQ(error, down);
    EXPECT_FALSE(ledger->Lookup(Keys(SampleMerge(0, 10).entries), records, error));
    EXPECT_EQ(error, down);
    EXPECT_FALSE(site.Open(error));
    EXPECT_EQ(error, down);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    ASSERT_TRUE(server.Start()) << server.Problem();
    ledger = site.Open(error);
    ASSERT_TRUE(ledger) << error;
    ASSERT_TRUE(ledger->Lookup(Keys(SampleMerge(0, 20).entries), records, error)) << error;
    EXPECT_EQ(records.size(), 10u) << "what was committed before the stop is there";
}

// The database on a disk of its own, through a tablespace, so that filling
// that disk leaves the server's own files, and the server, running.
TEST_F(LedgerServer, FullDiskIsSaidAndWhatWasRecordedStays) {
    PgTestServer& server = *SharedPgServer();
    SmallFileSystem fs(8L << 20);
    if (!fs.Mounted())
        GTEST_SKIP() << "needs root to mount a small file system";
    const std::string space = fs / "space";
    mkdir(space.c_str(), 0700);
    if (const passwd* nobody = getpwnam("nobody")) {  // the server's user under root
        ASSERT_EQ(chown(space.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    }
    const ledger::Location at = server.FreshDatabase();
    ASSERT_EQ(server.Run("postgres", "CREATE TABLESPACE small LOCATION '" + space + "'"), "");
    ASSERT_EQ(server.Run("postgres", "ALTER DATABASE " + at.database + " SET TABLESPACE small"),
              "");
    std::string error;
    {
        auto ledger = Ledger::Open(at, error, LedgerSite::Options());
        ASSERT_TRUE(ledger) << error;
        std::vector<LedgerRecord> already;
        ASSERT_TRUE(ledger->Record(SampleMerge(0, 10), already, error)) << error;
        fs.FillLeaving(0);
        EXPECT_FALSE(ledger->Record(SampleMerge(10, 3000), already, error));
        EXPECT_EQ(error, "台账 " + at.Text() + " 所在的磁盘已满");
        std::remove((fs / "filler").c_str());
        ASSERT_TRUE(ledger->Record(SampleMerge(0, 20), already, error)) << error;
        EXPECT_EQ(already.size(), 10u) << "the first merge survived, none of the failed one did";
    }
    // Nothing of the server may stay on the disk the test unmounts.
    EXPECT_EQ(server.Run("postgres", "DROP DATABASE " + at.database), "");
    EXPECT_EQ(server.Run("postgres", "DROP TABLESPACE small"), "");
}

}  // namespace
}  // namespace vellumark::testing
