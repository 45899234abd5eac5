// The command line of vellumark-cli: two commands, their options, and the
// one-line complaint for anything it cannot accept.
#pragma once

#include "facts/listing.h"

#include <optional>
#include <string>
#include <vector>

namespace vellumark::cli {

enum class Command { kMerge, kList, kLedger, kHelp };

struct PrintChoice {
    std::string printer;  // platform bytes, as given
    int copies = 1;
    int firstPage = 0;  // 0: every page of the merged file
    int lastPage = 0;
};

// What `ledger` is asked to do.
struct LedgerRequest {
    enum class Action { kList, kForget, kWhere, kRepair };
    Action action = Action::kList;
    std::string since, until;  // YYYY-MM-DD, empty: open-ended
    std::string seller;
    std::vector<std::string> numbers;   // forget these
    std::optional<std::string> output;  // or everything merged into this file
};

struct Arguments {
    Command command = Command::kHelp;
    std::string folder;  // platform bytes, as given
    std::string layout = "a4-two";
    std::optional<std::string> output;
    bool noSplit = false;
    bool skipDuplicates = false;  // place each invoice once
    bool skipPrinted = false;     // leave out invoices the ledger has merged before
    bool verbose = false;         // the run log on standard error too
    std::optional<PrintChoice> print;
    ListFormat format = ListFormat::kTable;
    std::optional<std::string> ledger;  // --ledger: a file or a postgresql:// URI
    LedgerRequest ledgerRequest;
};

struct ParseResult {
    std::optional<Arguments> arguments;  // empty when the line is not acceptable
    std::string error;                   // one line, without the program name
};

// The layout names the merge accepts, in the order the window offers them.
const std::vector<std::string>& LayoutNames();

// `args` are the words after the program name, bytes as the shell passed them.
ParseResult ParseArguments(const std::vector<std::string>& args);

// The words after "ledger" (with --ledger, --format and --verbose taken
// out by the caller): false with `error` set when they are not acceptable.
bool ParseLedgerRequest(const std::vector<std::string>& words, Arguments& arguments,
                        std::string& error);

// What `--help` prints.
std::string UsageText();

}  // namespace vellumark::cli
