#include "ledger_fixture.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace vellumark::testing {
namespace {

// The SQL drivers are plugins, which Qt loads only with an application.
class QtApplication : public ::testing::Environment {
public:
    void SetUp() override {
        if (!QCoreApplication::instance())
            application_ = std::make_unique<QCoreApplication>(argc_, argv_);
    }
    // Before the program's exit: Qt's own statics are gone by then.
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[12] = "ledger_test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QCoreApplication> application_;
};
[[maybe_unused]] ::testing::Environment* const kApplication =
    ::testing::AddGlobalTestEnvironment(new QtApplication);

// Stops the shared server when every test has run.
class StopServer : public ::testing::Environment {
public:
    explicit StopServer(PgTestServer* server) : server_(server) {}
    void TearDown() override { delete server_; }

private:
    PgTestServer* server_;
};

QSqlDatabase AddConnection(const ledger::Location& at, const QString& name) {
    if (at.kind == ledger::Location::Kind::kSqlite) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QString::fromStdString(at.path));
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        return db;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(QString::fromStdString(at.host));
    db.setPort(at.port);
    db.setUserName(QString::fromStdString(at.user));
    db.setDatabaseName(QString::fromStdString(at.database));
    return db;
}

QString NextName() {
    static int count = 0;
    return QStringLiteral("ledger-test-%1").arg(++count);
}

}  // namespace

ledger::InvoiceEntry SampleEntry(int n) {
    ledger::InvoiceEntry e;
    char number[32];
    std::snprintf(number, sizeof number, "2644%016d", n);
    e.key.number = n % 2 ? std::string(number).substr(12) : number;
    e.key.code = n % 2 ? "044001900111" : "";
    e.kind = n % 2 ? "e_ordinary" : "digital_ordinary";
    e.date = "2026-10-" + std::to_string(10 + n % 20);
    e.total = std::to_string(100 + n) + ".50";
    e.amount = std::to_string(90 + n) + ".00";
    e.tax = "10.50";
    e.seller = "销售方" + std::to_string(n % 7) + "有限公司";
    e.sellerId = "91440300MA5" + std::to_string(n % 7);
    e.buyer = "购买方科技有限公司";
    e.buyerId = "91110108MA01";
    e.fileName = "发票" + std::to_string(n) + ".pdf";
    e.fingerprint = std::string(64, "0123456789abcdef"[n % 16]);
    return e;
}

ledger::MergeRecord SampleMerge(int first, int count, const std::string& output) {
    ledger::MergeRecord merge;
    merge.output = output;
    merge.printed = true;
    merge.printer = "Office_Laser";
    merge.user = "clerk";
    merge.machine = "desk-1";
    merge.mergedAt = 1793600000;  // 2026-11-02 06:13 UTC
    for (int n = first; n < first + count; ++n)
        merge.entries.push_back(SampleEntry(n));
    return merge;
}

std::vector<ledger::InvoiceKey> Keys(const std::vector<ledger::InvoiceEntry>& entries) {
    std::vector<ledger::InvoiceKey> keys;
    for (const auto& e : entries)
        keys.push_back(e.key);
    return keys;
}

std::vector<std::string> Numbers(const std::vector<ledger::LedgerRecord>& records) {
    std::vector<std::string> numbers;
    for (const auto& r : records)
        numbers.push_back(r.invoice.key.number);
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

std::string RawSql(const ledger::Location& location, const std::string& sql) {
    const QString name = NextName();
    std::string problem;
    {
        QSqlDatabase db = AddConnection(location, name);
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

WriteHold::WriteHold(const ledger::Location& location) : name_(NextName()) {
    QSqlDatabase db = AddConnection(location, name_);
    const bool sqlite = location.kind == ledger::Location::Kind::kSqlite;
    QSqlQuery query(db);
    if (!db.open() ||
        !query.exec(sqlite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN")) ||
        (!sqlite && !query.exec(QStringLiteral("LOCK TABLE invoices IN EXCLUSIVE MODE"))))
        problem_ = (db.lastError().text() + query.lastError().text()).toStdString();
}

WriteHold::~WriteHold() {
    {
        QSqlDatabase db = QSqlDatabase::database(name_, false);
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        db.close();
    }
    QSqlDatabase::removeDatabase(name_);
}

LedgerSite::LedgerSite(Backend backend, PgTestServer* server) : backend_(backend), server_(server) {
    if (backend == Backend::kPostgres) {
        location = server->FreshDatabase();
        return;
    }
    fs_ = std::make_unique<SmallFileSystem>(32L << 20);
    if (!fs_->Mounted())
        dir_ = std::make_unique<TempDir>();
    location.path = (fs_->Mounted() ? fs_->path() : dir_->path()) + "/台账.sqlite";
}

ledger::OpenOptions LedgerSite::Options() {
    ledger::OpenOptions options;
    options.waitMilliseconds = 300;
    options.connectSeconds = 3;
    return options;
}

std::unique_ptr<ledger::Ledger> LedgerSite::Open(std::string& error) const {
    return ledger::Ledger::Open(location, error, Options());
}

bool LedgerSite::MakeReadOnly() {
    if (backend_ == Backend::kPostgres)
        return server_->Run("postgres", "ALTER DATABASE " + location.database +
                                            " SET default_transaction_read_only = on") == "";
    if (fileSystem())
        return mount(nullptr, fs_->path().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    // Not root: the file's and the folder's modes are enough.
    const std::string folder = location.path.substr(0, location.path.rfind('/'));
    return chmod(location.path.c_str(), 0444) == 0 && chmod(folder.c_str(), 0555) == 0;
}

PgTestServer* SharedPgServer() {
    static PgTestServer* server = [] {
        PgTestServer* started = StartPgServer();
        ::testing::AddGlobalTestEnvironment(new StopServer(started));
        return started;
    }();
    return server;
}

std::vector<std::string> RunHelpersAtOnce(const std::vector<std::vector<std::string>>& runs) {
    // The helper is built beside the test program.
    char self[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string helper(self, length > 0 ? static_cast<std::size_t>(length) : 0);
    helper = helper.substr(0, helper.rfind('/') + 1) + "ledger_helper";
    TempDir outputs;
    std::vector<pid_t> pids;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const std::string out = outputs / std::to_string(i);
        const pid_t pid = fork();
        if (pid == 0) {
            const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(fd, 1);
            std::vector<char*> argv{helper.data()};
            for (const auto& a : runs[i])
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        pids.push_back(pid);
    }
    std::vector<std::string> results;
    for (std::size_t i = 0; i < pids.size(); ++i) {
        int status = 0;
        waitpid(pids[i], &status, 0);
        std::ostringstream text;
        text << std::ifstream(outputs / std::to_string(i)).rdbuf();
        results.push_back(text.str() + "exit " +
                          std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1));
    }
    return results;
}

}  // namespace vellumark::testing
