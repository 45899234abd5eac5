// The ledger of printed invoices: every merge that saved its output records
// each invoice it placed, so that an invoice merged before is recognised the
// next time. One code path serves an SQLite file and a PostgreSQL database.
//
// Failures never stop a merge or a print: every operation returns an error
// instead, a sentence naming the ledger and why ("台账 /path 是只读的"); the
// caller puts what it was doing in front ("未记录到台账：") and goes on. The
// driver's own text goes to the log (category "vellumark.ledger").
#pragma once

#include "ledger/location.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vellumark::ledger {

// The schema this program writes; a ledger of a later one is refused.
inline constexpr int kSchemaVersion = 1;

// An invoice is known by its code (empty for the fully digital kinds) and
// number.
struct InvoiceKey {
    std::string code;
    std::string number;
    bool operator==(const InvoiceKey&) const = default;
};

struct InvoiceEntry {
    std::string kind;  // as facts names it: "digital_special", ...
    InvoiceKey key;
    std::string date;                // YYYY-MM-DD
    std::string total, amount, tax;  // yuan with two decimals, as read
    std::string seller, sellerId, buyer, buyerId;
    std::string fileName;     // bytes, exactly as on disk
    std::string fingerprint;  // SHA-256 of the file's bytes, lower-case hex
};

// One merge that saved its output.
struct MergeRecord {
    std::int64_t mergedAt = 0;  // seconds since the epoch; 0: now
    std::string output;         // the merged file, bytes
    bool printed = false;
    std::string printer;
    std::string user;     // empty: this process's user
    std::string machine;  // empty: this machine's name
    std::vector<InvoiceEntry> entries;
};

// An invoice as the ledger holds it, with the merge that placed it.
struct LedgerRecord {
    InvoiceEntry invoice;
    std::int64_t mergedAt = 0;
    std::string output;
    bool printed = false;
    std::string printer;
    std::string user;
    std::string machine;
};

struct ListFilter {
    std::optional<std::int64_t> since;  // merged at or after, seconds since the epoch
    std::optional<std::int64_t> until;  // merged before
    std::string seller;                 // part of the seller's name or id; empty: any
};

struct SchemaPlan;

struct OpenOptions {
    // How long a write waits for another writer (SQLite) or a lock
    // (PostgreSQL) before it gives up and says the ledger is busy.
    int waitMilliseconds = 5000;
    // How long connecting to a server may take.
    int connectSeconds = 10;
    // Another schema to bring the ledger to, for trying an upgrade; null:
    // this program's.
    const SchemaPlan* schema = nullptr;
};

// What the ledger holds, for "where".
struct LedgerSummary {
    std::string location;  // Location::Text()
    std::int64_t invoices = 0;
};

class Ledger {
public:
    // Opens the ledger, creating it (and the default file's folder) when it
    // is not there yet and bringing an older schema up to date. Null with
    // `error` set when it cannot be used.
    static std::unique_ptr<Ledger> Open(const Location& location, std::string& error,
                                        const OpenOptions& options = {});
    ~Ledger();
    Ledger(const Ledger&) = delete;
    Ledger& operator=(const Ledger&) = delete;

    const Location& location() const { return location_; }

    // The earlier records of those of `keys` that are in the ledger, in no
    // particular order. False with `error` set when it cannot be read.
    bool Lookup(const std::vector<InvoiceKey>& keys, std::vector<LedgerRecord>& found,
                std::string& error);

    // Records the merge's invoices in one transaction: all or none. The
    // same invoice twice in one merge is recorded once. `already` receives
    // the earlier records of the invoices that were there before (also when
    // another merge recorded them a moment ago); they are left as they were.
    bool Record(const MergeRecord& merge, std::vector<LedgerRecord>& already, std::string& error);

    // Records merged in the filter's time span, oldest first.
    bool List(const ListFilter& filter, std::vector<LedgerRecord>& records, std::string& error);

    // Removes the invoices with these numbers (of any code), or every
    // invoice of one merged file; `removed` receives what was removed.
    bool Forget(const std::vector<std::string>& numbers, std::vector<LedgerRecord>& removed,
                std::string& error);
    bool ForgetOutput(const std::string& output, std::vector<LedgerRecord>& removed,
                      std::string& error);

    bool Where(LedgerSummary& summary, std::string& error);

    // Marks what the merge of `output` at `mergedAt` recorded as printed on
    // `printer`: a merge is recorded when it is saved, and printed later.
    bool MarkPrinted(const std::string& output, std::int64_t mergedAt, const std::string& printer,
                     std::string& error);

    // A damaged SQLite file is set aside as "NAME.damaged-yyyyMMdd-HHmmss"
    // (with its journal files) and a new ledger started in its place; a
    // sound one, or one on a server, is left alone and the reason said.
    // Returns the set-aside path, or empty with `error` set.
    static std::string Repair(const Location& location, std::string& error,
                              const OpenOptions& options = {});

    struct Connection;

private:
    Ledger(const Location& location, std::unique_ptr<Connection> connection);

    Location location_;
    std::unique_ptr<Connection> connection_;
};

// "已于 2026-11-03 14:20 合并打印（文件 NAME，用户 USER）": when an invoice was
// merged before, local time, and by whom.
std::string PrintedBeforeText(const LedgerRecord& record);
// When it was merged, as that text says it: "2026-11-03 14:20", local time.
std::string MergedAtText(std::int64_t mergedAt);

// The SHA-256 of a file's bytes in lower-case hex; empty when it cannot be
// read.
std::string FileFingerprint(const std::string& path);

}  // namespace vellumark::ledger
