// What the ledger of printed invoices has to do with a listed folder: which
// of its invoices were merged before, and what a merge records. Both
// programs use it; a ledger that cannot be used never stops a merge.
#pragma once

#include "facts/listing.h"
#include "ledger/ledger.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vellumark {

// The listed rows an invoice of the ledger can be: a number of their own,
// an invoice kind, and no earlier page whose continuation they are.
bool CountsForLedger(const ListedInvoice& row);

// The ledger the settings choose (`commandLine` first), opened; null with
// `error` (a sentence naming the ledger and why) when it cannot be used.
std::unique_ptr<ledger::Ledger> OpenPrintedLedger(const std::optional<std::string>& commandLine,
                                                  std::string& error);

// Per listed row, the ledger's earlier record of its invoice, if any.
// Empty with `error` set when the ledger cannot be read.
std::vector<std::optional<ledger::LedgerRecord>> EarlierPrints(ledger::Ledger& book,
                                                               const Listing& listing,
                                                               std::string& error);

// Fills each listed row's `printedBefore` from the ledger the settings
// choose (`commandLine` first). Returns why the ledger could not be asked,
// or nothing; the rows stay unmarked then.
std::string MarkPrintedBefore(Listing& listing, const std::optional<std::string>& commandLine);

// What a merge saved as `output` at `mergedAt` records: each row placed on
// its sheets that counts for the ledger, with its file's fingerprint.
ledger::MergeRecord MergeRecordOf(const Listing& listing, const std::vector<bool>& placed,
                                  const std::string& output, std::int64_t mergedAt);

// For the window, each on its worker and with the ledger the settings
// choose: per listed row, when its invoice was merged before, in words
// (empty for the others); the record of a saved merge; and that merge,
// printed. Each returns why the ledger could not be used, or nothing.
std::vector<std::string> PrintedBeforeTexts(const Listing& listing, std::string& problem);
std::string RecordSavedMerge(const Listing& listing, const std::vector<bool>& placed,
                             const std::string& output, std::int64_t mergedAt);
std::string MarkMergePrinted(const std::string& output, std::int64_t mergedAt,
                             const std::string& printer);

}  // namespace vellumark
