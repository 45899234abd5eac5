#include "intake/file_search.h"
#include "intake/wildcard.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace vellumark {
namespace {

using testing::TempDir;
using testing::WriteFile;

std::vector<std::string> Search(const std::string& folder, const std::string& patterns) {
    std::vector<std::string> result{"stale entry"};
    const int count = FileSearch(folder, patterns, result);
    EXPECT_EQ(count, static_cast<int>(result.size()));
    return result;
}

TEST(WildcardMatch, StarsQuestionMarksAndCase) {
    EXPECT_TRUE(WildcardMatch("*.pdf", "a.pdf"));
    EXPECT_TRUE(WildcardMatch("*.pdf", "A.PDF"));
    EXPECT_TRUE(WildcardMatch("*.pdf", ".pdf"));
    EXPECT_TRUE(WildcardMatch("*.PdF", "发票.pdf"));
    EXPECT_FALSE(WildcardMatch("*.pdf", "a.pdfx"));
    EXPECT_FALSE(WildcardMatch("*.pdf", "a.pd"));
    EXPECT_TRUE(WildcardMatch("a?c.pdf", "abc.pdf"));
    EXPECT_TRUE(WildcardMatch("a?c.pdf", "a发c.pdf"));  // one character, three bytes
    EXPECT_FALSE(WildcardMatch("a?c.pdf", "ac.pdf"));
    EXPECT_TRUE(WildcardMatch("*a*b*", "xxaxxbxx"));
    EXPECT_FALSE(WildcardMatch("", "a"));
    EXPECT_TRUE(WildcardMatch("*", ""));
}

class FileSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(dir_ / "b.pdf", "x");
        WriteFile(dir_ / "A.PDF", "x");
        WriteFile(dir_ / "c.Pdf", "x");
        WriteFile(dir_ / "note.txt", "x");
        WriteFile(dir_ / "img.jpg", "x");
        WriteFile(dir_ / "img.png", "x");
        WriteFile(dir_ / "a.jpg", "x");
        mkdir((dir_ / "x.pdf").c_str(), 0755);
        WriteFile(dir_ / "x.pdf/inner.pdf", "x");
    }
    TempDir dir_;
};

TEST_F(FileSearchTest, ListsFilesCaseInsensitivelyInNameOrder) {
    const auto result = Search(dir_.path(), "*.pdf");
    EXPECT_EQ(result, (std::vector<std::string>{dir_ / "A.PDF", dir_ / "b.pdf", dir_ / "c.Pdf"}));
}

TEST(FileSearch, OrdersNamesAsNtfsDoesWithLettersBeforeUnderscore) {
    TempDir dir;
    for (const char* name : {"a_b.pdf", "AAB.pdf", "a[b.pdf", "a~b.pdf", "深圳.pdf"})
        WriteFile(dir / name, "x");
    EXPECT_EQ(Search(dir.path(), "*.pdf"),
              (std::vector<std::string>{dir / "AAB.pdf", dir / "a[b.pdf", dir / "a_b.pdf",
                                        dir / "a~b.pdf", dir / "深圳.pdf"}));
}

TEST_F(FileSearchTest, TrailingSeparatorGivesTheSamePaths) {
    EXPECT_EQ(Search(dir_.path() + "/", "*.pdf"), Search(dir_.path(), "*.pdf"));
}

TEST_F(FileSearchTest, PatternsFollowEachOtherInOrder) {
    EXPECT_EQ(Search(dir_.path(), "*.png|*.jpg"),
              (std::vector<std::string>{dir_ / "img.png", dir_ / "a.jpg", dir_ / "img.jpg"}));
    EXPECT_EQ(Search(dir_.path(), "*.png||nothing*"), (std::vector<std::string>{dir_ / "img.png"}));
    EXPECT_TRUE(Search(dir_.path(), "").empty());
}

TEST_F(FileSearchTest, HiddenAndReadOnlyFilesAreListed) {
    WriteFile(dir_ / ".hidden.pdf", "x");
    WriteFile(dir_ / "locked.pdf", "x");
    chmod((dir_ / "locked.pdf").c_str(), 0444);
    const auto result = Search(dir_.path(), "*.pdf");
    EXPECT_EQ(result.size(), 5u);
    EXPECT_EQ(result.front(), dir_ / ".hidden.pdf");
    EXPECT_EQ(result.back(), dir_ / "locked.pdf");
}

TEST_F(FileSearchTest, MissingFolderOrFilePathGivesNothing) {
    EXPECT_TRUE(Search(dir_ / "missing", "*.pdf").empty());
    EXPECT_TRUE(Search(dir_ / "b.pdf", "*.pdf").empty());
    EXPECT_TRUE(Search(dir_.path() + "\r\n" + dir_.path() + "\r\n", "*.pdf").empty());
}

TEST_F(FileSearchTest, NameThatIsNotUtf8IsFoundAsItsBytes) {
    const std::string gbk = "\xb7\xa2\xc6\xb1.pdf";  // 发票 in GBK
    WriteFile(dir_ / gbk, "x");
    const auto result = Search(dir_.path(), "*.pdf");
    ASSERT_EQ(result.size(), 4u);
    EXPECT_EQ(result.back(), dir_ / gbk);
}

TEST(FileSearch, EmptyFolderTextSearchesTheRoot) {
    EXPECT_EQ(Search("", "*"), Search("/", "*"));
}

}  // namespace
}  // namespace vellumark
