#include "intake_fixture.h"

#include <map>

namespace vellumark::testing {
namespace {

using Strings = std::vector<std::string>;

class NeverLoseTest : public IntakeTest {
protected:
    // Row cells by file name: pages, height, width.
    std::map<QString, std::vector<QString>> RowsByName() const {
        std::map<QString, std::vector<QString>> byName;
        for (int row = 0; row < rows_.rowCount(); ++row) {
            byName[rows_.Cell(row, kColumnName)] = {rows_.Cell(row, kColumnPages),
                                                    rows_.Cell(row, kColumnHeight),
                                                    rows_.Cell(row, kColumnWidth)};
        }
        return byName;
    }
};

TEST_F(NeverLoseTest, TakenPageNameKeepsTheSourceWhole) {
    WritePdf("发票A.pdf", 3);
    WritePdf("发票A(第2页).pdf", 1, 297);  // someone else's invoice
    const std::string source = ReadFile(dir_ / "发票A.pdf");
    const std::string other = ReadFile(dir_ / "发票A(第2页).pdf");

    ASSERT_EQ(Intake(), BuildResult::kListed);
    EXPECT_EQ(ListFolder(dir_.path()), (Strings{"发票A(第2页).pdf", "发票A.pdf"}));
    EXPECT_EQ(ReadFile(dir_ / "发票A.pdf"), source);
    EXPECT_EQ(ReadFile(dir_ / "发票A(第2页).pdf"), other);
    const auto rows = RowsByName();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.at("发票A"), (std::vector<QString>{"3", "140", "210"}));
    EXPECT_EQ(rows.at("发票A(第2页)"), (std::vector<QString>{"1", "297", "210"}));
}

TEST_F(NeverLoseTest, UnreadableFilesAreListedWithZerosAndKept) {
    // The tall readable file comes first in the search, so a list that kept
    // the previous file's values would show 297 for the unreadable ones.
    WritePdf("a.pdf", 3, 297);
    ASSERT_TRUE(fixtures::WriteEncryptedPdf(dir_ / "b-locked.pdf", "secret"));
    ASSERT_TRUE(fixtures::WriteNotAPdf(dir_ / "c-foreign.pdf"));
    WriteFile(dir_ / "d-empty.pdf", "");
    ASSERT_TRUE(fixtures::WriteTruncatedPdf(dir_ / "e-cut.pdf"));
    std::map<std::string, std::string> bytes;
    for (const char* name : {"b-locked.pdf", "c-foreign.pdf", "d-empty.pdf", "e-cut.pdf"}) {
        bytes[name] = ReadFile(dir_ / name);
    }

    ASSERT_EQ(Intake(), BuildResult::kListed);
    for (const auto& [name, content] : bytes)
        EXPECT_EQ(ReadFile(dir_ / name), content) << name;
    const auto rows = RowsByName();
    const std::vector<QString> zeros{"0", "0", "0"};
    EXPECT_EQ(rows.at("b-locked"), zeros);
    EXPECT_EQ(rows.at("c-foreign"), zeros);
    EXPECT_EQ(rows.at("d-empty"), zeros);
    ASSERT_TRUE(rows.count("e-cut"));  // may be repaired; listed either way
    EXPECT_EQ(rows.at("a(第3页)"), (std::vector<QString>{"1", "297", "210"}));
    EXPECT_EQ(rows_.rowCount(), 7);
}

TEST_F(NeverLoseTest, FailedPageRemovesTheWrittenPagesAndKeepsTheSource) {
    // "(第9页).pdf" still fits the 255-byte name limit, "(第10页).pdf" does
    // not: pages 1 to 9 are written before page 10 fails.
    const std::string base(255 - std::string("(第9页).pdf").size(), 'n');
    WritePdf(base + ".pdf", 10);
    const std::string source = ReadFile(dir_ / (base + ".pdf"));

    ASSERT_EQ(Intake(), BuildResult::kListed);
    EXPECT_EQ(ListFolder(dir_.path()), (Strings{base + ".pdf"}));
    EXPECT_EQ(ReadFile(dir_ / (base + ".pdf")), source);
    ASSERT_EQ(rows_.rowCount(), 1);
    EXPECT_EQ(rows_.Cell(0, kColumnPages), QStringLiteral("10"));
    EXPECT_EQ(rows_.Path(0), dir_ / (base + ".pdf"));
}

}  // namespace
}  // namespace vellumark::testing
