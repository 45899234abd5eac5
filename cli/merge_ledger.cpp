#include "merge_ledger.h"

#include "commands.h"

#include <QDateTime>

namespace vellumark::cli {

MergeLedger::MergeLedger(const std::optional<std::string>& commandLine, bool skipPrinted)
    : skipPrinted_(skipPrinted) {
    std::string error;
    book_ = OpenPrintedLedger(commandLine, error);
    if (!book_)
        Unusable(error);
}

void MergeLedger::Unusable(const std::string& why) {
    if (!said_)
        ErrorLine("未记录到台账：" + why);
    said_ = true;
    book_.reset();
}

void MergeLedger::Check(const Listing& listing, std::vector<bool>& placed) {
    listing_ = listing;
    if (!book_)
        return;
    std::string error;
    const auto earlier = EarlierPrints(*book_, listing, error);
    if (!error.empty()) {
        Unusable(error);
        return;
    }
    for (std::size_t row = 0; row < earlier.size(); ++row) {
        if (!earlier[row])
            continue;
        const ListedInvoice& invoice = listing.rows[row];
        ErrorLine("合并打印过的发票：" + invoice.path + "（发票号码 " +
                  invoice.facts.Get(kFactNumber) + "）" + ledger::PrintedBeforeText(*earlier[row]) +
                  (skipPrinted_ ? "，不再合并" : ""));
        if (skipPrinted_ && row < placed.size())
            placed[row] = false;
    }
}

void MergeLedger::Record(const MergeOutcome& outcome, const std::string& output, bool printed,
                         const std::string& printer) {
    if (!book_)
        return;
    ledger::MergeRecord merge =
        MergeRecordOf(listing_, PlacedRows(outcome, static_cast<int>(listing_.rows.size())), output,
                      QDateTime::currentSecsSinceEpoch());
    merge.printed = printed;
    merge.printer = printer;
    std::vector<ledger::LedgerRecord> already;
    std::string error;
    if (!merge.entries.empty() && !book_->Record(merge, already, error))
        Unusable(error);
}

}  // namespace vellumark::cli
