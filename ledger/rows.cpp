#include "rows.h"

#include <QByteArray>
#include <QDateTime>
#include <QSysInfo>

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <tuple>
#include <utility>

namespace vellumark::ledger {
namespace {

constexpr std::size_t kNumberChunk = 500;

const QString& Columns() {
    static const QString columns = QStringLiteral(
        "number, code, kind, invoice_date, total, amount, tax, seller, seller_id, buyer, "
        "buyer_id, file_name, fingerprint, merged_at, output, printed, printer, user_name, "
        "machine");
    return columns;
}
constexpr int kColumnCount = 19;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}
QByteArray Bytes(const std::string& bytes) {
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}
std::string TextAt(const QSqlQuery& query, int column) {
    return query.value(column).toString().toStdString();
}
std::string BytesAt(const QSqlQuery& query, int column) {
    return query.value(column).toByteArray().toStdString();
}

LedgerRecord ReadRecord(const QSqlQuery& query) {
    LedgerRecord r;
    InvoiceEntry& e = r.invoice;
    e.key.number = TextAt(query, 0);
    e.key.code = TextAt(query, 1);
    std::string* texts[] = {&e.kind,   &e.date,     &e.total, &e.amount, &e.tax,
                            &e.seller, &e.sellerId, &e.buyer, &e.buyerId};
    for (int i = 0; i < 9; ++i)
        *texts[i] = TextAt(query, 2 + i);
    e.fileName = BytesAt(query, 11);
    e.fingerprint = TextAt(query, 12);
    r.mergedAt = query.value(13).toLongLong();
    r.output = BytesAt(query, 14);
    r.printed = query.value(15).toInt() != 0;
    r.printer = TextAt(query, 16);
    r.user = TextAt(query, 17);
    r.machine = TextAt(query, 18);
    return r;
}

void BindRecord(QSqlQuery& query, const InvoiceEntry& e, const LedgerRecord& merge) {
    int at = 0;
    const auto bind = [&](const QVariant& value) { query.bindValue(at++, value); };
    bind(Text(e.key.number));
    bind(Text(e.key.code));
    for (const std::string* text : {&e.kind, &e.date, &e.total, &e.amount, &e.tax, &e.seller,
                                    &e.sellerId, &e.buyer, &e.buyerId})
        bind(Text(*text));
    bind(Bytes(e.fileName));
    bind(Text(e.fingerprint));
    bind(static_cast<qlonglong>(merge.mergedAt));
    bind(Bytes(merge.output));
    bind(merge.printed ? 1 : 0);
    bind(Text(merge.printer));
    bind(Text(merge.user));
    bind(Text(merge.machine));
}

QString Marks(std::size_t count, const QString& one) {
    QString marks;
    for (std::size_t i = 0; i < count; ++i)
        marks += (i == 0 ? QString() : QStringLiteral(", ")) + one;
    return marks;
}

// Runs a prepared statement and reads every row it gives.
bool RunReading(QSqlQuery& query, std::vector<LedgerRecord>& rows, QSqlError& error) {
    if (!query.exec()) {
        error = query.lastError();
        return false;
    }
    while (query.next())
        rows.push_back(ReadRecord(query));
    return true;
}

bool Prepare(QSqlQuery& query, const QString& sql, QSqlError& error) {
    query.setForwardOnly(true);
    if (query.prepare(sql))
        return true;
    error = query.lastError();
    return false;
}

std::string ThisUser() {
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_name)
        return entry->pw_name;
    return std::to_string(getuid());
}

// The merge's own values, with the blanks filled in.
LedgerRecord MergeValues(const MergeRecord& merge) {
    LedgerRecord values;
    values.mergedAt = merge.mergedAt > 0 ? merge.mergedAt : QDateTime::currentSecsSinceEpoch();
    values.output = merge.output;
    values.printed = merge.printed;
    values.printer = merge.printer;
    values.user = merge.user.empty() ? ThisUser() : merge.user;
    values.machine =
        merge.machine.empty() ? QSysInfo::machineHostName().toStdString() : merge.machine;
    return values;
}

}  // namespace

bool FindKeys(Ledger::Connection& connection, const std::vector<InvoiceKey>& keys,
              std::vector<LedgerRecord>& found, QSqlError& error) {
    std::set<std::pair<std::string, std::string>> wanted;
    std::set<std::string> numbers;
    for (const InvoiceKey& key : keys) {
        wanted.emplace(key.number, key.code);
        numbers.insert(key.number);
    }
    std::vector<std::string> list(numbers.begin(), numbers.end());
    for (std::size_t start = 0; start < list.size(); start += kNumberChunk) {
        const std::size_t count = std::min(kNumberChunk, list.size() - start);
        QSqlQuery query(connection.Db());
        if (!Prepare(query,
                     QStringLiteral("SELECT %1 FROM invoices WHERE number IN (%2)")
                         .arg(Columns(), Marks(count, QStringLiteral("?"))),
                     error))
            return false;
        for (std::size_t i = 0; i < count; ++i)
            query.addBindValue(Text(list[start + i]));
        std::vector<LedgerRecord> rows;
        if (!RunReading(query, rows, error))
            return false;
        // The same number may have been given under another code.
        for (LedgerRecord& row : rows)
            if (wanted.count({row.invoice.key.number, row.invoice.key.code}))
                found.push_back(std::move(row));
    }
    return true;
}

bool InsertMerge(Ledger::Connection& connection, const MergeRecord& merge,
                 std::vector<LedgerRecord>& already, QSqlError& error) {
    const LedgerRecord values = MergeValues(merge);
    std::set<std::pair<std::string, std::string>> seen;
    std::vector<const InvoiceEntry*> entries;
    for (const InvoiceEntry& entry : merge.entries)
        if (seen.emplace(entry.key.number, entry.key.code).second)
            entries.push_back(&entry);
    // Every writer takes its rows' locks in the same order, so two merges of
    // the same invoices on a server wait for each other and never deadlock.
    std::sort(entries.begin(), entries.end(), [](const InvoiceEntry* a, const InvoiceEntry* b) {
        return std::tie(a->key.number, a->key.code) < std::tie(b->key.number, b->key.code);
    });
    // One statement, prepared once and run per invoice: far cheaper in the
    // driver than long multi-row statements.
    QSqlQuery query(connection.Db());
    if (!Prepare(query,
                 QStringLiteral("INSERT INTO invoices (%1) VALUES (%2) ON CONFLICT DO NOTHING")
                     .arg(Columns(), Marks(kColumnCount, QStringLiteral("?"))),
                 error))
        return false;
    std::vector<InvoiceKey> skipped;
    for (const InvoiceEntry* entry : entries) {
        BindRecord(query, *entry, values);
        if (!query.exec()) {
            error = query.lastError();
            return false;
        }
        if (query.numRowsAffected() == 0)
            skipped.push_back(entry->key);
    }
    // What stopped them is committed by now, so it can be read.
    return skipped.empty() || FindKeys(connection, skipped, already, error);
}

bool SelectSpan(Ledger::Connection& connection, const ListFilter& filter,
                std::vector<LedgerRecord>& records, QSqlError& error) {
    QString sql = QStringLiteral("SELECT %1 FROM invoices WHERE 1 = 1").arg(Columns());
    if (filter.since)
        sql += QStringLiteral(" AND merged_at >= ?");
    if (filter.until)
        sql += QStringLiteral(" AND merged_at < ?");
    if (!filter.seller.empty())
        sql += QStringLiteral(" AND (seller LIKE ? ESCAPE '\\' OR seller_id LIKE ? ESCAPE '\\')");
    sql += QStringLiteral(" ORDER BY merged_at, number, code");
    QSqlQuery query(connection.Db());
    if (!Prepare(query, sql, error))
        return false;
    if (filter.since)
        query.addBindValue(static_cast<qlonglong>(*filter.since));
    if (filter.until)
        query.addBindValue(static_cast<qlonglong>(*filter.until));
    if (!filter.seller.empty()) {
        QString pattern = Text(filter.seller);
        pattern.replace(u'\\', QStringLiteral("\\\\"))
            .replace(u'%', QStringLiteral("\\%"))
            .replace(u'_', QStringLiteral("\\_"));
        pattern = u'%' + pattern + u'%';
        query.addBindValue(pattern);
        query.addBindValue(pattern);
    }
    return RunReading(query, records, error);
}

bool DeleteNumbers(Ledger::Connection& connection, const std::vector<std::string>& numbers,
                   std::vector<LedgerRecord>& removed, QSqlError& error) {
    const std::set<std::string> unique(numbers.begin(), numbers.end());
    const std::vector<std::string> list(unique.begin(), unique.end());
    for (std::size_t start = 0; start < list.size(); start += kNumberChunk) {
        const std::size_t count = std::min(kNumberChunk, list.size() - start);
        QSqlQuery query(connection.Db());
        if (!Prepare(query,
                     QStringLiteral("DELETE FROM invoices WHERE number IN (%1) RETURNING %2")
                         .arg(Marks(count, QStringLiteral("?")), Columns()),
                     error))
            return false;
        for (std::size_t i = 0; i < count; ++i)
            query.addBindValue(Text(list[start + i]));
        if (!RunReading(query, removed, error))
            return false;
    }
    return true;
}

bool DeleteOutput(Ledger::Connection& connection, const std::string& output,
                  std::vector<LedgerRecord>& removed, QSqlError& error) {
    QSqlQuery query(connection.Db());
    if (!Prepare(
            query,
            QStringLiteral("DELETE FROM invoices WHERE output = ? RETURNING %1").arg(Columns()),
            error))
        return false;
    query.addBindValue(Bytes(output));
    return RunReading(query, removed, error);
}

bool UpdatePrinted(Ledger::Connection& connection, const std::string& output, std::int64_t mergedAt,
                   const std::string& printer, int& changed, QSqlError& error) {
    QSqlQuery query(connection.Db());
    if (!Prepare(query,
                 QStringLiteral("UPDATE invoices SET printed = ?, printer = ? "
                                "WHERE output = ? AND merged_at = ?"),
                 error))
        return false;
    query.addBindValue(1);
    query.addBindValue(QString::fromStdString(printer));
    query.addBindValue(Bytes(output));
    query.addBindValue(static_cast<qlonglong>(mergedAt));
    if (!query.exec()) {
        error = query.lastError();
        return false;
    }
    changed = query.numRowsAffected();
    return true;
}

}  // namespace vellumark::ledger
