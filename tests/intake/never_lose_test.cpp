#include "intake_fixture.h"
#include "page_contents.h"

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
    QString NoteOf(const QString& name) const {
        for (int row = 0; row < rows_.rowCount(); ++row) {
            if (rows_.Cell(row, kColumnName) == name)
                return rows_.Note(row);
        }
        return {};
    }
};

TEST_F(NeverLoseTest, TakenPageNameKeepsTheSourceWhole) {
    WritePdf("发票A.pdf", 3);
    // Page 1 as an interrupted split left it, page 2's name someone else's.
    ASSERT_TRUE(Library().ExtractFilePages(dir_ / "发票A.pdf", "", dir_ / "发票A(第1页).pdf", "1"));
    WritePdf("发票A(第2页).pdf", 1, 297);
    const std::string source = ReadFile(dir_ / "发票A.pdf");
    const std::string other = ReadFile(dir_ / "发票A(第2页).pdf");

    IntakeReport report;
    values_.sourceFolder = dir_.path();
    ASSERT_EQ(BuildInvoiceList(Library(), values_, rows_, &report), BuildResult::kListed);
    // Page 1 would be printed twice beside the whole source: it goes.
    EXPECT_EQ(ListFolder(dir_.path()), (Strings{"发票A(第2页).pdf", "发票A.pdf"}));
    ASSERT_EQ(report.notSplit.size(), 1u);
    EXPECT_EQ(report.notSplit[0].path, dir_ / "发票A.pdf");
    EXPECT_NE(report.notSplit[0].reason.find("第2页"), std::string::npos);
    EXPECT_EQ(ReadFile(dir_ / "发票A.pdf"), source);
    EXPECT_EQ(ReadFile(dir_ / "发票A(第2页).pdf"), other);
    const auto rows = RowsByName();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.at("发票A"), (std::vector<QString>{"3", "140", "210"}));
    EXPECT_EQ(rows.at("发票A(第2页)"), (std::vector<QString>{"1", "297", "210"}));
}

// Every state a split can be killed in: the source beside its first k page
// files (k = 0 .. all) and a temporary file of the page being written. The
// next intake finishes the split, keeps the pages it finds, and removes the
// temporary file, so that every page is there exactly once.
TEST_F(NeverLoseTest, InterruptedSplitIsFinishedWhereverItStopped) {
    constexpr int kPages = 4;
    for (int written = 0; written <= kPages; ++written) {
        SCOPED_TRACE(std::to_string(written) + " page files written");
        for (const auto& name : ListFolder(dir_.path()))
            RemoveTree(dir_ / name);
        WritePdf("发票.pdf", kPages);
        WritePdf("其他.pdf", 1);
        const auto expected = PagesInFolder(dir_.path());
        for (int page = 1; page <= written; ++page) {
            ASSERT_TRUE(Library().ExtractFilePages(dir_ / "发票.pdf", "",
                                                   PageFilePath(dir_.path(), "发票", page),
                                                   std::to_string(page)));
        }
        WriteFile(dir_ / ".vellumark-Ab12Cd", "%PDF-1.7 half of a page");

        IntakeReport report;
        values_.sourceFolder = dir_.path();
        ASSERT_EQ(BuildInvoiceList(Library(), values_, rows_, &report), BuildResult::kListed);
        EXPECT_EQ(PagesInFolder(dir_.path()), expected);
        EXPECT_FALSE(Exists(dir_ / "发票.pdf"));
        EXPECT_EQ(rows_.rowCount(), kPages + 1);
        EXPECT_EQ(report.staleTempFiles, 1);
        EXPECT_EQ(report.resumed.size(), written > 0 ? 1u : 0u);
        EXPECT_TRUE(report.notSplit.empty());
    }
}

// Without the folder's lock, too, a split removes only what it made: a page
// name another program takes while the split runs stays that program's.
TEST_F(NeverLoseTest, AFileAnotherProgramWritesMeanwhileIsNeverRemoved) {
    WritePdf("发票.pdf", 3);
    const std::string source = ReadFile(dir_ / "发票.pdf");
    const std::string theirs = dir_ / "发票(第2页).pdf";
    const SplitOutcome outcome =
        SplitIntoPages(Library(), dir_ / "发票.pdf", dir_.path(), "发票", 3, [&](int page, int) {
            if (page == 1)
                WriteFile(theirs, "another program's file");
            return true;
        });
    EXPECT_FALSE(outcome.split);
    EXPECT_EQ(ReadFile(theirs), "another program's file");
    EXPECT_EQ(ReadFile(dir_ / "发票.pdf"), source);
    EXPECT_EQ(ListFolder(dir_.path()), (Strings{"发票(第2页).pdf", "发票.pdf"}));
    EXPECT_EQ(outcome.problem.reason, "已有同名的文件或文件夹");
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
    // Each says why, where the user looks.
    for (int row = 0; row < rows_.rowCount(); ++row) {
        if (rows_.Cell(row, kColumnPages) == "0") {
            EXPECT_EQ(rows_.Cell(row, kColumnProgress), QStringLiteral("无法读取"));
        }
    }
    EXPECT_EQ(NoteOf("b-locked"), QStringLiteral("需要密码才能打开"));
    EXPECT_EQ(NoteOf("c-foreign"), QStringLiteral("不是PDF文件"));
    EXPECT_EQ(NoteOf("d-empty"), QStringLiteral("文件是空的"));
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
