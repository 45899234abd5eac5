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

}  // namespace
}  // namespace vellumark::cli
