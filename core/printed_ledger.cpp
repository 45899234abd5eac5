#include "core/printed_ledger.h"

#include <map>

namespace vellumark {
namespace {

ledger::InvoiceKey KeyOf(const InvoiceFacts& facts) {
    return {facts.Get(kFactCode), facts.Get(kFactNumber)};
}

std::string FileNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

ledger::InvoiceEntry EntryOf(const ListedInvoice& row) {
    const InvoiceFacts& f = row.facts;
    ledger::InvoiceEntry entry;
    entry.kind = KindName(f.kind);
    entry.key = KeyOf(f);
    entry.date = f.Get(kFactDate);
    entry.total = f.Get(kFactTotal);
    entry.amount = f.Get(kFactAmount);
    entry.tax = f.Get(kFactTax);
    entry.seller = f.Get(kFactSeller);
    entry.sellerId = f.Get(kFactSellerId);
    entry.buyer = f.Get(kFactBuyer);
    entry.buyerId = f.Get(kFactBuyerId);
    entry.fileName = FileNameOf(row.path);
    entry.fingerprint = ledger::FileFingerprint(row.path);
    return entry;
}

}  // namespace

bool CountsForLedger(const ListedInvoice& row) {
    return row.problem.empty() && row.continuationOf == 0 && row.facts.HasIdentity() &&
           IsInvoice(row.facts.kind);
}

std::unique_ptr<ledger::Ledger> OpenPrintedLedger(const std::optional<std::string>& commandLine,
                                                  std::string& error) {
    const ledger::LocationChoice choice = ledger::ChooseLocation(commandLine);
    if (!choice.location) {
        error = choice.error;
        return nullptr;
    }
    return ledger::Ledger::Open(*choice.location, error);
}

std::vector<std::optional<ledger::LedgerRecord>> EarlierPrints(ledger::Ledger& book,
                                                               const Listing& listing,
                                                               std::string& error) {
    std::vector<ledger::InvoiceKey> keys;
    for (const ListedInvoice& row : listing.rows) {
        if (CountsForLedger(row))
            keys.push_back(KeyOf(row.facts));
    }
    std::vector<ledger::LedgerRecord> found;
    if (!keys.empty() && !book.Lookup(keys, found, error))
        return {};
    std::map<std::pair<std::string, std::string>, ledger::LedgerRecord> byKey;
    for (ledger::LedgerRecord& record : found)
        byKey[{record.invoice.key.code, record.invoice.key.number}] = std::move(record);
    std::vector<std::optional<ledger::LedgerRecord>> earlier(listing.rows.size());
    for (std::size_t i = 0; i < listing.rows.size(); ++i) {
        if (!CountsForLedger(listing.rows[i]))
            continue;
        const ledger::InvoiceKey key = KeyOf(listing.rows[i].facts);
        if (const auto it = byKey.find({key.code, key.number}); it != byKey.end())
            earlier[i] = it->second;
    }
    return earlier;
}

ledger::MergeRecord MergeRecordOf(const Listing& listing, const std::vector<bool>& placed,
                                  const std::string& output, std::int64_t mergedAt) {
    ledger::MergeRecord merge;
    merge.mergedAt = mergedAt;
    merge.output = output;
    for (std::size_t i = 0; i < listing.rows.size(); ++i) {
        if (i < placed.size() && placed[i] && CountsForLedger(listing.rows[i]))
            merge.entries.push_back(EntryOf(listing.rows[i]));
    }
    return merge;
}

namespace {

// Per listed row, `say` of its earlier record in the ledger the settings
// choose, or empty.
std::vector<std::string> AskLedger(const Listing& listing,
                                   const std::optional<std::string>& commandLine,
                                   std::string (*say)(const ledger::LedgerRecord&),
                                   std::string& problem) {
    auto book = OpenPrintedLedger(commandLine, problem);
    if (!book)
        return {};
    const auto earlier = EarlierPrints(*book, listing, problem);
    std::vector<std::string> texts(earlier.size());
    for (std::size_t row = 0; row < earlier.size(); ++row) {
        if (earlier[row])
            texts[row] = say(*earlier[row]);
    }
    return texts;
}

}  // namespace

std::vector<std::string> PrintedBeforeTexts(const Listing& listing, std::string& problem) {
    return AskLedger(listing, std::nullopt, ledger::PrintedBeforeText, problem);
}

std::string MarkPrintedBefore(Listing& listing, const std::optional<std::string>& commandLine) {
    std::string problem;
    const std::vector<std::string> when = AskLedger(
        listing, commandLine,
        [](const ledger::LedgerRecord& record) { return ledger::MergedAtText(record.mergedAt); },
        problem);
    for (std::size_t row = 0; row < when.size() && row < listing.rows.size(); ++row)
        listing.rows[row].printedBefore = when[row];
    return problem;
}

std::string RecordSavedMerge(const Listing& listing, const std::vector<bool>& placed,
                             const std::string& output, std::int64_t mergedAt) {
    const ledger::MergeRecord merge = MergeRecordOf(listing, placed, output, mergedAt);
    if (merge.entries.empty())
        return {};
    std::string problem;
    auto book = OpenPrintedLedger(std::nullopt, problem);
    std::vector<ledger::LedgerRecord> already;
    if (book)
        book->Record(merge, already, problem);
    return problem;
}

std::string MarkMergePrinted(const std::string& output, std::int64_t mergedAt,
                             const std::string& printer) {
    std::string problem;
    auto book = OpenPrintedLedger(std::nullopt, problem);
    if (book)
        book->MarkPrinted(output, mergedAt, printer, problem);
    return problem;
}

}  // namespace vellumark
