// The batch program's command line.
#include "cli_arguments.h"
#include "test_support.h"

namespace vellumark::cli {
namespace {

using testing::TempDir;
using testing::WriteFile;

ParseResult Parse(std::vector<std::string> words) {
    return ParseArguments(words);
}

TEST(CliArguments, AcceptsEveryOptionInAnyOrder) {
    const auto parsed = Parse({"merge", "--layout", "a5-one", "票据", "--output=/tmp/x.pdf",
                               "--no-split", "--print", "HP", "--copies", "3", "--pages", "2-4"});
    ASSERT_TRUE(parsed.arguments) << parsed.error;
    const Arguments& a = *parsed.arguments;
    EXPECT_EQ(a.command, Command::kMerge);
    EXPECT_EQ(a.folder, "票据");
    EXPECT_EQ(a.layout, "a5-one");
    EXPECT_EQ(a.output.value_or(""), "/tmp/x.pdf");
    EXPECT_TRUE(a.noSplit);
    ASSERT_TRUE(a.print);
    EXPECT_EQ(a.print->printer, "HP");
    EXPECT_EQ(a.print->copies, 3);
    EXPECT_EQ(a.print->firstPage, 2);
    EXPECT_EQ(a.print->lastPage, 4);

    const auto defaults = Parse({"merge", "d"});
    ASSERT_TRUE(defaults.arguments);
    EXPECT_EQ(defaults.arguments->layout, "a4-two");
    EXPECT_FALSE(defaults.arguments->print);

    // After "--" a folder may begin with a dash.
    const auto dashed = Parse({"list", "--format", "json", "--", "-票据"});
    ASSERT_TRUE(dashed.arguments);
    EXPECT_EQ(dashed.arguments->folder, "-票据");
    EXPECT_EQ(dashed.arguments->format, ListFormat::kJson);
}

TEST(CliArguments, RefusesWhatItCannotDo) {
    for (const auto& words : std::vector<std::vector<std::string>>{
             {},
             {"print", "d"},
             {"merge"},
             {"merge", "d", "e"},
             {"merge", "d", "--layout", "a3-two"},
             {"merge", "d", "--layout"},
             {"merge", "d", "--copies", "2"},
             {"merge", "d", "--print", "P", "--copies", "0"},
             {"merge", "d", "--print", "P", "--copies", "101"},
             {"merge", "d", "--print", "P", "--pages", "3-2"},
             {"merge", "d", "--print", "P", "--pages", "1-"},
             {"merge", "d", "--format", "csv"},
             {"list", "d", "--format", "xml"},
             {"list", "d", "--no-split"},
             {"list", "d", "-x"},
         }) {
        const auto parsed = Parse(words);
        EXPECT_FALSE(parsed.arguments) << ::testing::PrintToString(words);
        EXPECT_FALSE(parsed.error.empty());
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos);
    }
    EXPECT_NE(Parse({"merge", "d", "--layout", "a3-two"}).error.find("a3-two"), std::string::npos);
}

TEST(CliArguments, LedgerActionsAndTheirOptions) {
    using Action = LedgerRequest::Action;
    struct Case {
        std::vector<std::string> words;
        Action action;
        std::string since, until, seller, ledger;
        std::vector<std::string> numbers;
        std::string output;
    };
    const std::vector<Case> cases = {
        {{"ledger", "list", "--since", "2026-11-01", "--until=2026-11-30", "--seller", "某公司",
          "--ledger", "postgresql://u@/db"},
         Action::kList,
         "2026-11-01",
         "2026-11-30",
         "某公司",
         "postgresql://u@/db",
         {},
         ""},
        {{"ledger", "--ledger=/tmp/l.sqlite", "forget", "123", "-v", "456"},
         Action::kForget,
         "",
         "",
         "",
         "/tmp/l.sqlite",
         {"123", "456"},
         ""},
        {{"ledger", "forget", "--output", "合并\xff.pdf"},
         Action::kForget,
         "",
         "",
         "",
         "",
         {},
         "合并\xff.pdf"},
        {{"ledger", "forget", "--", "-12"}, Action::kForget, "", "", "", "", {"-12"}, ""},
        {{"ledger", "where"}, Action::kWhere, "", "", "", "", {}, ""},
        {{"ledger", "repair"}, Action::kRepair, "", "", "", "", {}, ""},
    };
    for (const Case& c : cases) {
        const auto parsed = Parse(c.words);
        ASSERT_TRUE(parsed.arguments) << parsed.error;
        const Arguments& a = *parsed.arguments;
        const LedgerRequest& r = a.ledgerRequest;
        EXPECT_EQ(a.command, Command::kLedger);
        EXPECT_EQ(r.action, c.action);
        EXPECT_EQ(std::tie(r.since, r.until, r.seller, r.numbers),
                  std::tie(c.since, c.until, c.seller, c.numbers));
        EXPECT_EQ(a.ledger.value_or(""), c.ledger);
        EXPECT_EQ(r.output.value_or(""), c.output);
    }
    EXPECT_EQ(Parse({"merge", "d", "--ledger", "/l"}).arguments->ledger.value_or(""), "/l");
    for (const auto& words : std::vector<std::vector<std::string>>{
             {"ledger"},
             {"ledger", "show"},
             {"ledger", "forget"},
             {"ledger", "forget", "1", "--output", "x.pdf"},
             {"ledger", "forget", "--output"},
             {"ledger", "list", "--since", "11/03/2026"},
             {"ledger", "list", "--until", "2026-02-30x"},
             {"ledger", "list", "extra"},
             {"ledger", "where", "extra"},
             {"ledger", "list", "--ledger"},
             {"ledger", "list", "--format", "xml"},
         }) {
        const auto parsed = Parse(words);
        EXPECT_FALSE(parsed.arguments) << ::testing::PrintToString(words);
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos);
    }
}

}  // namespace
}  // namespace vellumark::cli
