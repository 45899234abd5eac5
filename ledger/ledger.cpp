#include "ledger/ledger.h"

#include "connection.h"
#include "rows.h"
#include "schema.h"

#include <QSqlQuery>

namespace vellumark::ledger {

Ledger::Ledger(const Location& location, std::unique_ptr<Connection> connection)
    : location_(location), connection_(std::move(connection)) {}

Ledger::~Ledger() = default;

std::unique_ptr<Ledger> Ledger::Open(const Location& location, std::string& error,
                                     const OpenOptions& options) {
    std::unique_ptr<Connection> connection = Connect(location, options, error);
    if (!connection || !PrepareSchema(*connection, options.schema, error))
        return nullptr;
    return std::unique_ptr<Ledger>(new Ledger(location, std::move(connection)));
}

bool Ledger::Lookup(const std::vector<InvoiceKey>& keys, std::vector<LedgerRecord>& found,
                    std::string& error) {
    found.clear();
    QSqlError sqlError;
    if (FindKeys(*connection_, keys, found, sqlError))
        return true;
    error = Explain(*connection_, sqlError, "looking up invoices");
    return false;
}

bool Ledger::Record(const MergeRecord& merge, std::vector<LedgerRecord>& already,
                    std::string& error) {
    already.clear();
    QSqlError sqlError;
    if (!connection_->Begin(sqlError)) {
        error = Explain(*connection_, sqlError, "starting to record a merge");
        return false;
    }
    if (InsertMerge(*connection_, merge, already, sqlError) && connection_->Commit(sqlError))
        return true;
    connection_->Rollback();
    already.clear();
    error = Explain(*connection_, sqlError, "recording a merge");
    return false;
}

bool Ledger::List(const ListFilter& filter, std::vector<LedgerRecord>& records,
                  std::string& error) {
    records.clear();
    QSqlError sqlError;
    if (SelectSpan(*connection_, filter, records, sqlError))
        return true;
    error = Explain(*connection_, sqlError, "listing invoices");
    return false;
}

bool Ledger::Forget(const std::vector<std::string>& numbers, std::vector<LedgerRecord>& removed,
                    std::string& error) {
    removed.clear();
    QSqlError sqlError;
    if (connection_->Begin(sqlError) && DeleteNumbers(*connection_, numbers, removed, sqlError) &&
        connection_->Commit(sqlError))
        return true;
    connection_->Rollback();
    removed.clear();
    error = Explain(*connection_, sqlError, "forgetting invoices");
    return false;
}

bool Ledger::ForgetOutput(const std::string& output, std::vector<LedgerRecord>& removed,
                          std::string& error) {
    removed.clear();
    QSqlError sqlError;
    if (DeleteOutput(*connection_, output, removed, sqlError))
        return true;
    removed.clear();
    error = Explain(*connection_, sqlError, "forgetting a merged file");
    return false;
}

bool Ledger::Where(LedgerSummary& summary, std::string& error) {
    summary.location = location_.Text();
    QSqlQuery query(connection_->Db());
    if (query.exec(QStringLiteral("SELECT COUNT(*) FROM invoices")) && query.next()) {
        summary.invoices = query.value(0).toLongLong();
        return true;
    }
    error = Explain(*connection_, query.lastError(), "counting invoices");
    return false;
}

bool Ledger::MarkPrinted(const std::string& output, std::int64_t mergedAt,
                         const std::string& printer, std::string& error) {
    QSqlError sqlError;
    int changed = 0;
    if (UpdatePrinted(*connection_, output, mergedAt, printer, changed, sqlError))
        return true;
    error = Explain(*connection_, sqlError, "marking a merge as printed");
    return false;
}

}  // namespace vellumark::ledger
