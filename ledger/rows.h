// The statements behind each operation. Every value is bound, never
// written into the text; long lists go in chunks so that no statement holds
// more values than either database allows.
#pragma once

#include "connection.h"

namespace vellumark::ledger {

bool FindKeys(Ledger::Connection& connection, const std::vector<InvoiceKey>& keys,
              std::vector<LedgerRecord>& found, QSqlError& error);
// Inside the caller's transaction.
bool InsertMerge(Ledger::Connection& connection, const MergeRecord& merge,
                 std::vector<LedgerRecord>& already, QSqlError& error);
bool SelectSpan(Ledger::Connection& connection, const ListFilter& filter,
                std::vector<LedgerRecord>& records, QSqlError& error);
// Inside the caller's transaction.
bool DeleteNumbers(Ledger::Connection& connection, const std::vector<std::string>& numbers,
                   std::vector<LedgerRecord>& removed, QSqlError& error);
bool DeleteOutput(Ledger::Connection& connection, const std::string& output,
                  std::vector<LedgerRecord>& removed, QSqlError& error);

// Marks the invoices one merge (its output and time) recorded as printed.
bool UpdatePrinted(Ledger::Connection& connection, const std::string& output, std::int64_t mergedAt,
                   const std::string& printer, int& changed, QSqlError& error);

}  // namespace vellumark::ledger
