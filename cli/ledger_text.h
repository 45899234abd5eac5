// How the command shows the ledger's records: the table, CSV and JSON of
// `ledger list` (keys as `list` names them), and one line per record.
#pragma once

#include "facts/listing.h"
#include "ledger/ledger.h"

#include <string>
#include <vector>

namespace vellumark::cli {

// "2026-11-03 14:20" in local time.
std::string MergedAtText(std::int64_t seconds);

// "发票号码 N（代码 C）：合并于 T，文件 OUTPUT，用户 USER"
std::string RecordLine(const ledger::LedgerRecord& record);

// Every record, then a line with how many invoices and their total.
std::string FormatLedger(const std::vector<ledger::LedgerRecord>& records, ListFormat format);

}  // namespace vellumark::cli
