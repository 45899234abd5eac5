// OFD packages are listed beside PDFs: a row for each page that names the
// package and the page, in one name order with the PDFs and ordered by
// height with them. A package that cannot be read is a red row with its
// reason, and nothing in the folder changes for an OFD.
#include "error_words.h"
#include "intake_fixture.h"
#include "ofd_helpers.h"

#include <map>

namespace vellumark::testing {
namespace {

struct ListedPage {
    int width, height;
};

struct CorpusPackage {
    const char* file;
    std::vector<ListedPage> pages;  // in page order
};

// Sizes as the packages' page areas give them. SignScaleError.ofd carries a
// second page's content in its zip, an empty goods list, but its document
// lists one page, and a page the document does not list is not printed.
const CorpusPackage kCorpus[] = {
    {"20240531141733.ofd", {{210, 140}}},
    {"999.ofd", {{210, 140}, {210, 297}, {210, 297}, {210, 297}, {210, 297}}},
    {"SignScaleError.ofd", {{210, 140}}},
    {"fapiao.ofd", {{210, 140}}},
    {"keyword2.ofd", {{210, 140}}},
    {"发票示例.ofd", {{210, 140}}},
    {"售票换开样例.ofd", {{209, 139}}},
};

std::string Name(const InvoiceRows& rows, int row) {
    return rows.Cell(row, kColumnName).toStdString();
}

TEST(OfdIntake, CorpusPackagesGiveARowPerPage) {
    VELLUMARK_REQUIRE_CORPUS();
    const std::string folder = CorpusDir() + "/ofd";
    const auto before = ListFolder(folder);
    InvoiceRows rows;
    IntakeReport report;
    ListFolder(Library(), folder, rows, nullptr, &report);
    EXPECT_TRUE(report.unreadable.empty());
    std::map<std::string, std::vector<int>> rowsOf;  // by file, in list order
    for (int row = 0; row < rows.rowCount(); ++row) {
        const std::string path = rows.Path(row);
        rowsOf[path.substr(path.rfind('/') + 1)].push_back(row);
        EXPECT_EQ(rows.Format(row), InvoiceFormat::kOfd);
        EXPECT_EQ(rows.Pages(row), 1);
        EXPECT_EQ(rows.Cell(row, kColumnProgress), QStringLiteral("等待中"));
    }
    int expectedRows = 0;
    for (const CorpusPackage& package : kCorpus) {
        SCOPED_TRACE(package.file);
        const auto& listed = rowsOf[package.file];
        ASSERT_EQ(listed.size(), package.pages.size());
        expectedRows += static_cast<int>(listed.size());
        for (const int row : listed) {
            const int page = rows.Page(row);
            ASSERT_GE(page, 1);
            ASSERT_LE(page, static_cast<int>(package.pages.size()));
            EXPECT_EQ(rows.WidthMm(row), package.pages[page - 1].width);
            EXPECT_EQ(rows.HeightMm(row), package.pages[page - 1].height);
            const std::string suffix =
                listed.size() > 1 ? "(第" + std::to_string(page) + "页)" : "";
            EXPECT_EQ(Name(rows, row), package.file + suffix);
        }
    }
    EXPECT_EQ(rows.rowCount(), expectedRows);
    // Tallest first: the goods lists of 999.ofd, in page order.
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(Name(rows, row), "999.ofd(第" + std::to_string(row + 2) + "页)");
    EXPECT_EQ(ListFolder(folder), before);
}

class OfdFolderTest : public IntakeTest {
protected:
    void WriteOfd(const std::string& name, const std::string& box = "0 0 210 140") {
        WriteFile(dir_ / name, ofd::testing::Zip(ofd::testing::MinimalOfd(kText, "", box)));
    }
    static constexpr const char* kText =
        R"(<ofd:TextObject ID="5" Boundary="10 10 80 10" Font="3" Size="5"><ofd:TextCode X="0" Y="5">发票</ofd:TextCode></ofd:TextObject>)";
};

// Equal heights keep the list's one name order over both kinds (as NTFS
// names them, read from the end, as the list always has).
TEST_F(OfdFolderTest, PackagesAndPdfsShareOneNameOrder) {
    WritePdf("b.pdf", 1);
    WritePdf("D.pdf", 1);
    WriteOfd("a.ofd");
    WriteOfd("C.OFD");
    WriteOfd("e.ofd", "0 0 210 297");
    ASSERT_EQ(Intake(), BuildResult::kListed);
    EXPECT_EQ(Column(kColumnName), (std::vector<QString>{"e.ofd", "D", "C.OFD", "b", "a.ofd"}));
    EXPECT_EQ(rows_.Format(1), InvoiceFormat::kPdf);
    EXPECT_EQ(rows_.Format(2), InvoiceFormat::kOfd);
}

struct FolderCase {
    const char* name;
    std::vector<std::string> files;
    BuildResult result;
};

// A folder of packages alone is listed; one with neither kind is not.
TEST_F(OfdFolderTest, WhatAFolderMustHold) {
    const FolderCase cases[] = {
        {"packages only", {"x.ofd"}, BuildResult::kListed},
        {"a PDF only", {"x.pdf"}, BuildResult::kListed},
        {"neither", {"x.txt", "ofd"}, BuildResult::kNoPdfFiles},
    };
    for (const FolderCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = dir_ / c.name;
        ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
        for (const std::string& file : c.files) {
            if (file.ends_with(".pdf")) {
                ASSERT_TRUE(fixtures::WriteInvoicePdf(folder + "/" + file, fixtures::ShortPage()));
            } else {
                WriteFile(folder + "/" + file,
                          file.ends_with(".ofd")
                              ? ofd::testing::Zip(ofd::testing::MinimalOfd(kText))
                              : "text");
            }
        }
        EXPECT_EQ(Intake(folder), c.result);
    }
}

struct BadPackage {
    const char* file;
    std::string bytes;
    const char* words;
};

// Each bad package is one red row with its reason; the PDF beside it is
// listed as ever, and the folder keeps every byte.
TEST_F(OfdFolderTest, BadPackagesAreRedRowsAndLeftAlone) {
    ofd::testing::Entries climbing = ofd::testing::MinimalOfd(kText);
    climbing["../../up.xml"] = "x";
    ofd::testing::Entries noRoot = ofd::testing::MinimalOfd(kText);
    noRoot.erase("OFD.xml");
    const BadPackage bad[] = {
        {"a-not-zip.ofd", "%PDF-1.7 a PDF under another name", ofd::kWordsNotZip},
        {"b-climbing.ofd", ofd::testing::Zip(climbing), ofd::kWordsUnsafeName},
        {"c-empty.ofd", "", ofd::kWordsEmpty},
        {"d-no-root.ofd", ofd::testing::Zip(noRoot), ofd::kWordsNoOfdXml},
    };
    for (const BadPackage& b : bad)
        WriteFile(dir_ / b.file, b.bytes);
    WritePdf("good.pdf", 1);
    std::vector<std::pair<std::string, std::string>> before;
    for (const auto& name : ListFolder(dir_.path()))
        before.emplace_back(name, ReadFile(dir_ / name));

    IntakeReport report;
    values_.sourceFolder = dir_.path();
    ASSERT_EQ(BuildInvoiceList(Library(), values_, rows_, &report), BuildResult::kListed);
    ASSERT_EQ(rows_.rowCount(), 5);
    ASSERT_EQ(report.unreadable.size(), std::size(bad));
    for (const BadPackage& b : bad) {
        SCOPED_TRACE(b.file);
        int row = 0;
        while (row < rows_.rowCount() && Name(rows_, row) != b.file)
            ++row;
        ASSERT_LT(row, rows_.rowCount());
        EXPECT_EQ(rows_.Pages(row), 0);
        EXPECT_EQ(rows_.Cell(row, kColumnProgress).toStdString(), kUnreadableText);
        EXPECT_EQ(rows_.Note(row).toStdString(), b.words);
        const auto told =
            std::find_if(report.unreadable.begin(), report.unreadable.end(),
                         [&](const FileProblem& p) { return p.path == dir_ / b.file; });
        ASSERT_NE(told, report.unreadable.end());
        EXPECT_EQ(told->reason, b.words);
    }
    std::vector<std::pair<std::string, std::string>> after;
    for (const auto& name : ListFolder(dir_.path()))
        after.emplace_back(name, ReadFile(dir_ / name));
    EXPECT_EQ(after, before);
}

}  // namespace
}  // namespace vellumark::testing
