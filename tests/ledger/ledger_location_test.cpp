// Where the ledger is: a path or a libpq URI, and which of the command line,
// the environment, the settings file and the default decides.
#include "ledger_fixture.h"

#include <QCoreApplication>
#include <QSettings>

#include <cstdlib>

namespace vellumark::testing {
namespace {

using ledger::Location;

TEST(LedgerLocation, ParsesPathsAndUris) {
    struct Case {
        std::string text;
        std::string host;
        int port;
        std::string database, user, password, options, shown;
    };
    const std::vector<Case> cases = {
        {"postgresql://clerk@db.example:5433/ledger", "db.example", 5433, "ledger", "clerk", "", "",
         "postgresql://clerk@db.example:5433/ledger"},
        {"postgresql://clerk@/ledger?host=/run/postgresql&port=5432", "/run/postgresql", 5432,
         "ledger", "clerk", "", "", "postgresql://clerk@/ledger?host=/run/postgresql&port=5432"},
        {"postgres://a%40b:p%3Aw@[::1]/l%20x?sslmode=require", "::1", 0, "l x", "a@b", "p:w",
         "sslmode='require'", "postgresql://a%40b@[::1]/l%20x"},
        {"postgresql:///ledger?user=u&connect_timeout=3", "", 0, "ledger", "u", "",
         "connect_timeout='3'", "postgresql://u@/ledger"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto choice = ledger::ParseLocation(c.text);
        ASSERT_TRUE(choice.location) << choice.error;
        const Location& at = *choice.location;
        EXPECT_EQ(at.kind, Location::Kind::kPostgres);
        EXPECT_EQ(std::tie(at.host, at.port, at.database, at.user, at.password, at.options),
                  std::tie(c.host, c.port, c.database, c.user, c.password, c.options));
        EXPECT_EQ(at.Text(), c.shown) << "never the password";
    }
    const auto file = ledger::ParseLocation("/home/a/台账\xff.sqlite");
    ASSERT_TRUE(file.location);
    EXPECT_EQ(file.location->path, "/home/a/台账\xff.sqlite");
    for (const std::string bad : {"", "postgresql://h:99999/db", "postgresql://h/db?x;y=1",
                                  "postgresql://h/db?opt=a;b", "postgresql://h/%zz"})
        EXPECT_FALSE(ledger::ParseLocation(bad).location) << bad;
}

TEST(LedgerLocation, CommandLineThenEnvironmentThenSettingsThenDefault) {
    TempDir home;
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    unsetenv("VELLUMARK_LEDGER");
    QCoreApplication::setApplicationName(QStringLiteral("vellumark"));
    EXPECT_EQ(ledger::ChooseLocation(std::nullopt).location->path,
              home / "data/vellumark/ledger.sqlite");
    {
        QSettings settings(QStringLiteral("vellumark"), QStringLiteral("vellumark"));
        settings.setValue(QStringLiteral("ledger"), QStringLiteral("/srv/设置.sqlite"));
    }
    EXPECT_EQ(ledger::ChooseLocation(std::nullopt).location->path, "/srv/设置.sqlite");
    setenv("VELLUMARK_LEDGER", "/srv/env.sqlite", 1);
    EXPECT_EQ(ledger::ChooseLocation(std::nullopt).location->path, "/srv/env.sqlite");
    EXPECT_EQ(ledger::ChooseLocation("/srv/cli.sqlite").location->path, "/srv/cli.sqlite");
    unsetenv("VELLUMARK_LEDGER");
    {
        QSettings settings(QStringLiteral("vellumark"), QStringLiteral("vellumark"));
        settings.setValue(QStringLiteral("ledger"), QStringLiteral("postgresql://u:pw@h/db"));
    }
    const auto refused = ledger::ChooseLocation(std::nullopt);
    EXPECT_FALSE(refused.location);
    EXPECT_EQ(refused.error,
              "设置文件中的台账地址不能带密码：请把密码写在 ~/.pgpass 或环境变量 PGPASSWORD 中");
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace vellumark::testing
