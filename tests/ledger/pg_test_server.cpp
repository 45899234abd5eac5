#include "pg_test_server.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <fcntl.h>
#include <glob.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

namespace vellumark::testing {
namespace {

// The newest installed server's programs, or empty.
std::string ServerPrograms() {
    glob_t found{};
    std::string bin;
    if (glob("/usr/lib/postgresql/*/bin/postgres", 0, nullptr, &found) == 0 && found.gl_pathc > 0) {
        bin = found.gl_pathv[found.gl_pathc - 1];
        bin = bin.substr(0, bin.size() - std::string("/postgres").size());
    }
    globfree(&found);
    return bin;
}

// Root runs the server as "nobody"; anyone else as themselves.
void BecomeServerUser() {
    if (geteuid() != 0)
        return;
    const passwd* nobody = getpwnam("nobody");
    if (!nobody || setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 ||
        setuid(nobody->pw_uid) != 0)
        _exit(126);
}

// Starts `args` as the server user with output to `log`; the child's id.
pid_t Spawn(const std::vector<std::string>& args, const std::string& log) {
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    BecomeServerUser();
    const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    dup2(fd, 1);
    dup2(fd, 2);
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

int WaitFor(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

PgTestServer* StartPgServer() {
    return ServerPrograms().empty() ? nullptr : new PgTestServer();
}

PgTestServer::PgTestServer() : bin_(ServerPrograms()) {
    char pattern[] = "/tmp/vellumark-pg-XXXXXX";
    if (!mkdtemp(pattern)) {
        problem_ = "no temporary folder";
        return;
    }
    folder_ = pattern;
    chmod(folder_.c_str(), 0755);
    if (geteuid() == 0) {
        const passwd* nobody = getpwnam("nobody");
        if (!nobody || chown(folder_.c_str(), nobody->pw_uid, nobody->pw_gid) != 0) {
            problem_ = "no user \"nobody\" to run the server as";
            return;
        }
    }
    const std::string log = folder_ + "/server.log";
    if (WaitFor(Spawn({bin_ + "/initdb", "-D", folder_ + "/data", "-U", "ledger", "-A", "trust",
                       "-E", "UTF8", "--locale=C", "--no-sync"},
                      log)) != 0) {
        problem_ = "initdb failed (see " + log + ")";
        return;
    }
    std::ofstream(folder_ + "/data/pg_hba.conf")
        << "local all " << kGuardedUser << " scram-sha-256\nlocal all all trust\n";
    if (!Start())
        return;
    std::string password = kGuardedPassword;
    for (std::size_t at = password.find('\''); at != std::string::npos;
         at = password.find('\'', at + 2))
        password.insert(at, "'");
    const std::string role = Run("postgres", std::string("CREATE ROLE ") + kGuardedUser +
                                                 " LOGIN PASSWORD '" + password + "'");
    const std::string made =
        role.empty() ? Run("postgres", std::string("CREATE DATABASE guarded OWNER ") + kGuardedUser)
                     : role;
    if (!made.empty())
        problem_ = made;
}

PgTestServer::~PgTestServer() {
    if (pid_ > 0) {
        kill(pid_, SIGINT);  // a fast shutdown
        int status = 0;
        for (int i = 0; i < 100 && waitpid(pid_, &status, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (waitpid(pid_, &status, WNOHANG) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
        }
    }
    if (!folder_.empty())
        std::system(("rm -rf '" + folder_ + "'").c_str());
}

bool PgTestServer::Start() {
    pid_ = Spawn(
        {bin_ + "/postgres", "-D", folder_ + "/data", "-k", folder_, "-p", std::to_string(kPort),
         "-c", "listen_addresses=", "-c", "fsync=off", "-c", "full_page_writes=off"},
        folder_ + "/server.log");
    for (int i = 0; i < 300; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = 0;
            problem_ = "postgres exited (see " + folder_ + "/server.log)";
            return false;
        }
        if (Run("postgres", "SELECT 1").empty())
            return true;
    }
    problem_ = "postgres did not answer within 30 s (see " + folder_ + "/server.log)";
    return false;
}

void PgTestServer::Stop() {
    if (pid_ <= 0)
        return;
    kill(pid_, SIGQUIT);  // an immediate shutdown: no goodbyes to clients
    WaitFor(pid_);
    pid_ = 0;
}

std::string PgTestServer::Run(const std::string& database, const std::string& sql) {
    static int connections = 0;
    const QString name = QStringLiteral("pg-test-%1").arg(++connections);
    std::string problem;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(QString::fromStdString(folder_));
        db.setPort(kPort);
        db.setUserName(QStringLiteral("ledger"));
        db.setDatabaseName(QString::fromStdString(database));
        if (!db.open()) {
            problem = db.lastError().text().toStdString();
        } else {
            QSqlQuery query(db);
            if (!query.exec(QString::fromStdString(sql)))
                problem = query.lastError().text().toStdString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return problem;
}

ledger::Location PgTestServer::FreshDatabase() {
    const std::string name = "ledger_" + std::to_string(++databases_);
    const std::string made = Run("postgres", "CREATE DATABASE " + name);
    EXPECT_EQ(made, "") << "creating database " << name;
    ledger::Location at;
    at.kind = ledger::Location::Kind::kPostgres;
    at.host = folder_;
    at.port = kPort;
    at.user = "ledger";
    at.database = name;
    return at;
}

}  // namespace vellumark::testing
