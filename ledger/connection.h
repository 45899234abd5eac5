// What the ledger's operations share: one named Qt SQL connection, the few
// words in which SQLite and PostgreSQL differ, and how a driver's error
// becomes a sentence.
#pragma once

#include "ledger/ledger.h"

#include <QLoggingCategory>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>

#include <string>
#include <vector>

Q_DECLARE_LOGGING_CATEGORY(lcLedger)

namespace vellumark::ledger {

struct SchemaPlan;

// Why an operation failed, as a user can act on it.
enum class Failure {
    kReadOnly,
    kBusy,
    kFull,
    kDamaged,
    kNewer,
    kServerDown,
    kLoginRefused,
    kNoDatabase,
    kNoPermission,
    kNoDriver,
    kCannotOpen,
    kOther,
};

struct Ledger::Connection {
    QString name;  // of the QSqlDatabase connection, unique in the process
    Location location;
    OpenOptions options;
    bool postgres = false;

    ~Connection();
    QSqlDatabase Db() const { return QSqlDatabase::database(name, false); }

    // The type of byte columns.
    QString BlobType() const { return postgres ? QStringLiteral("BYTEA") : QStringLiteral("BLOB"); }
    // Starts a transaction that writes: SQLite takes the write lock at once,
    // so that two writers wait for each other instead of failing midway.
    bool Begin(QSqlError& error);
    bool Commit(QSqlError& error);
    void Rollback();
    // Runs a statement that needs no values; false with `error` set.
    bool Exec(const QString& sql, QSqlError& error);
};

// Opens the driver's connection (nothing of the schema yet); null with
// `error` set.
std::unique_ptr<Ledger::Connection> Connect(const Location& location, const OpenOptions& options,
                                            std::string& error);

Failure Classify(const QSqlError& error, bool postgres);
// The sentence for a failure at `location`; `detail` completes kNewer.
std::string Reason(const Location& location, Failure failure, const std::string& detail = {});
// Logs the driver's text with what was being done and returns the sentence.
std::string Explain(const Ledger::Connection& connection, const QSqlError& error,
                    const char* doing);

}  // namespace vellumark::ledger
