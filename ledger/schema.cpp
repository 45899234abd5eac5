#include "schema.h"

#include <QSqlQuery>

namespace vellumark::ledger {
namespace {

// Version 1. Amounts keep the text they were read as; times are seconds
// since the epoch; file names are bytes.
const std::vector<QString>& FirstVersion() {
    static const std::vector<QString> statements = {
        QStringLiteral("CREATE TABLE IF NOT EXISTS ledger_schema ("
                       "id INTEGER PRIMARY KEY, version INTEGER NOT NULL)"),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS invoices ("
            "number TEXT NOT NULL, code TEXT NOT NULL, kind TEXT NOT NULL, "
            "invoice_date TEXT NOT NULL, total TEXT NOT NULL, amount TEXT NOT NULL, "
            "tax TEXT NOT NULL, seller TEXT NOT NULL, seller_id TEXT NOT NULL, "
            "buyer TEXT NOT NULL, buyer_id TEXT NOT NULL, file_name %BLOB% NOT NULL, "
            "fingerprint TEXT NOT NULL, merged_at BIGINT NOT NULL, output %BLOB% NOT NULL, "
            "printed INTEGER NOT NULL, printer TEXT NOT NULL, user_name TEXT NOT NULL, "
            "machine TEXT NOT NULL, PRIMARY KEY (number, code))"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS invoices_merged_at ON invoices (merged_at)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS invoices_output ON invoices (output)"),
        QStringLiteral("INSERT INTO ledger_schema (id, version) VALUES (1, 1) "
                       "ON CONFLICT DO NOTHING"),
    };
    return statements;
}

bool RunAll(Ledger::Connection& connection, const std::vector<QString>& statements,
            QSqlError& error) {
    for (QString sql : statements) {
        sql.replace(QStringLiteral("%BLOB%"), connection.BlobType());
        if (!connection.Exec(sql, error))
            return false;
    }
    return true;
}

std::string NewerDetail(int found, int known) {
    return "格式版本 " + std::to_string(found) + "，本程序只认识到版本 " + std::to_string(known);
}

// Inside one transaction: creates version 1 when there is nothing, then
// takes each step the ledger has not had. Another program may have done
// either a moment ago, so the version is read again under the lock.
bool Upgrade(Ledger::Connection& connection, const SchemaPlan& plan, QSqlError& error,
             int& reached) {
    if (!connection.Begin(error))
        return false;
    int version = SchemaVersion(connection, error);
    bool ok = version >= 0;
    if (ok && version == 0) {
        ok = RunAll(connection, FirstVersion(), error);
        version = 1;
    }
    for (const SchemaStep& step : plan.steps) {
        if (!ok || step.to <= version || step.to > plan.version)
            continue;
        QSqlQuery update(connection.Db());
        ok = RunAll(connection, step.statements, error) &&
             update.prepare(QStringLiteral("UPDATE ledger_schema SET version = ? WHERE id = 1"));
        update.addBindValue(step.to);
        ok = ok && update.exec();
        if (!ok && update.lastError().isValid())
            error = update.lastError();
        version = step.to;
    }
    if (ok && connection.Commit(error)) {
        reached = version;
        return true;
    }
    connection.Rollback();
    return false;
}

}  // namespace

const SchemaPlan& ProgramSchema() {
    static const SchemaPlan plan;
    return plan;
}

int SchemaVersion(Ledger::Connection& connection, QSqlError& error) {
    QSqlQuery query(connection.Db());
    // Asking the table itself, not the catalogue, keeps this the same for
    // both databases; its absence is the one error that means "none yet".
    if (!connection.Db().tables().contains(QStringLiteral("ledger_schema"))) {
        // A file that is not a database says so here, not in tables().
        if (query.exec(QStringLiteral("SELECT 1")) ||
            Classify(query.lastError(), connection.postgres) != Failure::kDamaged)
            return 0;
        error = query.lastError();
        return -1;
    }
    if (!query.exec(QStringLiteral("SELECT version FROM ledger_schema WHERE id = 1"))) {
        error = query.lastError();
        return -1;
    }
    return query.next() ? query.value(0).toInt() : 0;
}

bool PrepareSchema(Ledger::Connection& connection, const SchemaPlan* plan, std::string& error) {
    const SchemaPlan& use = plan ? *plan : ProgramSchema();
    QSqlError sqlError;
    int version = SchemaVersion(connection, sqlError);
    if (version < 0) {
        error = Explain(connection, sqlError, "reading the schema version");
        return false;
    }
    if (version > use.version) {
        error = Reason(connection.location, Failure::kNewer, NewerDetail(version, use.version));
        return false;
    }
    if (version == use.version)
        return true;
    if (!Upgrade(connection, use, sqlError, version)) {
        // Two programs creating the same server's tables at once: one wins,
        // the other finds them made.
        QSqlError again;
        if (connection.postgres && SchemaVersion(connection, again) == use.version)
            return true;
        error = Explain(connection, sqlError, "creating or upgrading the tables");
        return false;
    }
    if (version > use.version) {
        error = Reason(connection.location, Failure::kNewer, NewerDetail(version, use.version));
        return false;
    }
    return true;
}

}  // namespace vellumark::ledger
