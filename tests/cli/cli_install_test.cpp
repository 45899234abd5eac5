// The programs as a package installs them: staged with `cmake --install`,
// made read-only, and run by users who cannot write there. Each user's
// images and merged file land in that user's own folders, and nothing is
// ever written beside the installed programs.
#include "cli_process.h"
#include "fixtures/invoice_fixtures.h"
#include "test_support.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace vellumark::testing {
namespace {

// One staged install for the whole program, read-only from then on.
class Installed : public ::testing::Environment {
public:
    static const std::string& Root() { return root_; }
    void SetUp() override {
        static TempDir stage;
        const std::string command = "DESTDIR='" + stage.path() +
                                    "' '" VELLUMARK_CMAKE_COMMAND
                                    "' --install '" VELLUMARK_BINARY_DIR
                                    "' --prefix /usr >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        // Open to all, as /usr is, and writable by nobody.
        chmod(stage.path().c_str(), 0755);
        ASSERT_EQ(std::system(("chmod -R a-w '" + stage.path() + "/usr'").c_str()), 0);
        root_ = stage.path() + "/usr";
    }
    // Writable again, so that the staging folder can go.
    void TearDown() override {
        if (!root_.empty())
            std::system(("chmod -R u+w '" + root_ + "'").c_str());
    }

private:
    static inline std::string root_;
};

const auto* const kInstalled = ::testing::AddGlobalTestEnvironment(new Installed);

// A home of its own for `user`, and the run's environment pointing there.
struct Home {
    explicit Home(uid_t user) {
        if (geteuid() == 0) {
            EXPECT_EQ(chown(dir.path().c_str(), user, user), 0);
        }
        for (const char* name : {"HOME=", "XDG_CACHE_HOME=", "XDG_DATA_HOME=", "XDG_CONFIG_HOME="})
            options.environment.push_back(name);
        options.environment[0] += dir.path();
        options.environment[1] += dir.path() + "/.cache";
        options.environment[2] += dir.path() + "/.local/share";
        options.environment[3] += dir.path() + "/.config";
        // The default ledger, in the user's data folder.
        options.environment.push_back("VELLUMARK_LEDGER=");
        options.programDirectory = Installed::Root() + "/bin";
        options.user = user;
    }
    std::string Output() const { return dir.path() + "/.local/share/vellumark/电子发票.pdf"; }
    std::string Images() const { return dir.path() + "/.cache/vellumark/临时图片"; }

    TempDir dir;
    CliOptions options;
};

std::string InvoiceFolder(const TempDir& dir, int count) {
    for (int i = 1; i <= count; ++i) {
        const std::string name = "发票" + std::to_string(i) + ".pdf";
        EXPECT_TRUE(fixtures::WriteInvoicePdf(dir / name, {fixtures::ShortPage(name)}));
    }
    chmod(dir.path().c_str(), 0777);
    return dir.path();
}

// Whether `user` can open `path` for reading, asked of a child that is them.
bool CanRead(uid_t user, const std::string& path) {
    const pid_t child = fork();
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(user) != 0 || setuid(user) != 0)
            _exit(2);
        _exit(open(path.c_str(), O_RDONLY) >= 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(InstalledProgram, MergesIntoTheUsersFoldersAndLeavesItsOwnAlone) {
    const uid_t self = geteuid();
    // Root, who could write the program folder, still keeps out of it.
    for (const uid_t user : {UnprivilegedUser(), self}) {
        SCOPED_TRACE(user);
        const auto before = Snapshot(Installed::Root());
        TempDir invoices;
        Home home(user);
        const CliRun run = RunCli({"merge", InvoiceFolder(invoices, 3)}, home.options);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(run.out.find("已保存：" + home.Output()), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("合并打印了 3 张电子发票"), std::string::npos) << run.out;
        EXPECT_EQ(ReadFile(home.Output()).rfind("%PDF-", 0), 0u);
        EXPECT_FALSE(ListFolder(home.Images()).empty());
        EXPECT_EQ(Snapshot(Installed::Root()), before);
        const CliRun ledger = RunCli({"ledger", "where"}, home.options);
        EXPECT_NE(ledger.out.find(home.dir.path() + "/.local/share/vellumark/"), std::string::npos)
            << ledger.out;
    }
}

TEST(InstalledProgram, TwoUsersMergingAtOnceKeepTheirFilesApart) {
    if (geteuid() != 0)
        GTEST_SKIP() << "two users at once need root to become them";
    const uid_t users[2] = {UnprivilegedUser(), UnprivilegedUser() - 1};
    TempDir invoices[2];
    Home homes[2] = {Home(users[0]), Home(users[1])};
    RunningCli first({"merge", InvoiceFolder(invoices[0], 4)}, homes[0].options);
    RunningCli second({"merge", InvoiceFolder(invoices[1], 2)}, homes[1].options);
    const CliRun runs[2] = {first.Wait(), second.Wait()};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(runs[i].exitCode, 0) << runs[i].err;
        const std::string count = i == 0 ? "4" : "2";
        EXPECT_NE(runs[i].out.find("合并打印了 " + count + " 张电子发票"), std::string::npos);
        const std::vector<std::string> images = ListFolder(homes[i].Images());
        ASSERT_FALSE(images.empty());
        EXPECT_TRUE(CanRead(users[i], homes[i].Output()));
        EXPECT_FALSE(CanRead(users[1 - i], homes[i].Output()));
        EXPECT_FALSE(CanRead(users[1 - i], homes[i].Images() + "/" + images.front()));
    }
}

}  // namespace
}  // namespace vellumark::testing
