// The ledger of printed invoices as a merge of the command uses it.
#pragma once

#include "core/printed_ledger.h"
#include "layout/merge_pipeline.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vellumark::cli {

// Names the listed invoices merged before, leaves them out when asked, and
// records what a saved merge placed. A ledger that cannot be used is said
// once on stderr ("未记录到台账：…") and the merge goes on without it.
class MergeLedger {
public:
    MergeLedger(const std::optional<std::string>& commandLine, bool skipPrinted);

    // Names each row of `listing` merged before; with --skip-printed clears
    // its `placed`. Keeps the listing for Record.
    void Check(const Listing& listing, std::vector<bool>& placed);

    // Records the rows the merge put on its sheets, printed or not.
    void Record(const MergeOutcome& outcome, const std::string& output, bool printed,
                const std::string& printer);

private:
    void Unusable(const std::string& why);

    std::unique_ptr<ledger::Ledger> book_;
    bool skipPrinted_ = false;
    bool said_ = false;
    Listing listing_;
};

}  // namespace vellumark::cli
