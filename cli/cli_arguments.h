// The command line of vellumark-cli: two commands, their options, and the
// one-line complaint for anything it cannot accept.
#pragma once

#include "facts/listing.h"

#include <optional>
#include <string>
#include <vector>

namespace vellumark::cli {

enum class Command { kMerge, kList, kHelp };

struct PrintChoice {
    std::string printer;  // platform bytes, as given
    int copies = 1;
    int firstPage = 0;  // 0: every page of the merged file
    int lastPage = 0;
};

struct Arguments {
    Command command = Command::kHelp;
    std::string folder;  // platform bytes, as given
    std::string layout = "a4-two";
    std::optional<std::string> output;
    bool noSplit = false;
    bool skipDuplicates = false;  // place each invoice once
    bool verbose = false;         // the run log on standard error too
    std::optional<PrintChoice> print;
    ListFormat format = ListFormat::kTable;
};

struct ParseResult {
    std::optional<Arguments> arguments;  // empty when the line is not acceptable
    std::string error;                   // one line, without the program name
};

// The layout names the merge accepts, in the order the window offers them.
const std::vector<std::string>& LayoutNames();

// `args` are the words after the program name, bytes as the shell passed them.
ParseResult ParseArguments(const std::vector<std::string>& args);

// What `--help` prints.
std::string UsageText();

}  // namespace vellumark::cli
