// What the ledger's tests share: sample invoices, a ledger of either kind
// to try them on, and ways to do to it what other programs and users do —
// hold its write lock, make it read-only, write a later schema version.
#pragma once

#include "ledger/ledger.h"
#include "pg_test_server.h"
#include "small_file_system.h"

#include <memory>
#include <string>
#include <vector>

namespace vellumark::testing {

enum class Backend { kSqlite, kPostgres };

// The invoice numbered `n`: a fully digital one (no code) for even n, an
// older one with a code for odd n.
ledger::InvoiceEntry SampleEntry(int n);
// A merge into "OUTPUT" of the invoices first .. first + count - 1.
ledger::MergeRecord SampleMerge(int first, int count, const std::string& output = "合并.pdf");
std::vector<ledger::InvoiceKey> Keys(const std::vector<ledger::InvoiceEntry>& entries);
std::vector<std::string> Numbers(const std::vector<ledger::LedgerRecord>& records);

// Runs one statement on the ledger through a connection of its own; empty
// on success, else the driver's text.
std::string RawSql(const ledger::Location& location, const std::string& sql);

// Another connection in the middle of a write, until the object goes.
class WriteHold {
public:
    explicit WriteHold(const ledger::Location& location);
    ~WriteHold();
    WriteHold(const WriteHold&) = delete;
    WriteHold& operator=(const WriteHold&) = delete;
    const std::string& Problem() const { return problem_; }

private:
    QString name_;
    std::string problem_;
};

// A fresh ledger location of one kind. SQLite files get a small file system
// of their own where the tests may mount one (root), else a temporary folder.
class LedgerSite {
public:
    LedgerSite(Backend backend, PgTestServer* server);
    ledger::Location location;
    SmallFileSystem* fileSystem() { return fs_ && fs_->Mounted() ? fs_.get() : nullptr; }

    // Quick waits, so that a busy ledger is told within the test's patience.
    static ledger::OpenOptions Options();
    std::unique_ptr<ledger::Ledger> Open(std::string& error) const;

    // Writing refused from now on; false when this cannot be arranged here.
    bool MakeReadOnly();

private:
    Backend backend_;
    PgTestServer* server_;
    std::unique_ptr<SmallFileSystem> fs_;
    std::unique_ptr<TempDir> dir_;
};

// The server the tests of this program share, started on first use; null
// where PostgreSQL is not installed.
PgTestServer* SharedPgServer();

// Runs the helper program once per argument list, all at the same time,
// and returns what each wrote to standard output (its exit status last).
std::vector<std::string> RunHelpersAtOnce(const std::vector<std::vector<std::string>>& runs);

}  // namespace vellumark::testing
