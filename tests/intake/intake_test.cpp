#include "intake_fixture.h"
#include "page_contents.h"

#include <sys/stat.h>

namespace vellumark::testing {
namespace {

using Strings = std::vector<std::string>;
using Texts = std::vector<QString>;

TEST_F(IntakeTest, SplitsMultiPageFilesAndListsEveryPage) {
    WritePdf("发票A.pdf", 3);
    WritePdf("发票B.pdf", 1);
    ASSERT_EQ(Intake(), BuildResult::kListed);

    EXPECT_EQ(ListFolder(dir_.path()),
              (Strings{"发票A(第1页).pdf", "发票A(第2页).pdf", "发票A(第3页).pdf", "发票B.pdf"}));
    EXPECT_EQ(Column(kColumnNumber), (Texts{"1", "2", "3", "4"}));
    EXPECT_EQ(Column(kColumnPages), (Texts{"1", "1", "1", "1"}));
    EXPECT_EQ(Column(kColumnProgress), (Texts{"等待中", "等待中", "等待中", "等待中"}));
    EXPECT_EQ(Column(kColumnName),
              (Texts{"发票A(第1页)", "发票A(第2页)", "发票A(第3页)", "发票B"}));
    EXPECT_EQ(Column(kColumnHeight), (Texts{"140", "140", "140", "140"}));
    EXPECT_EQ(Column(kColumnWidth), (Texts{"210", "210", "210", "210"}));
    EXPECT_EQ(Paths()[3], dir_ / "发票B.pdf");
    EXPECT_EQ(InvoiceCountCaption(rows_.rowCount()), QStringLiteral("导出 4 张电子发票"));
    EXPECT_EQ(values_.splitTargetFolder, dir_.path());

    // Each page file holds its own page: page 2 of the source is 发票A-2.
    for (int page = 1; page <= 3; ++page) {
        const std::string file = dir_ / ("发票A(第" + std::to_string(page) + "页).pdf");
        const auto imprints = PageImprints(file);
        ASSERT_EQ(imprints.size(), 1u) << file;
        const std::string label = "发票A.pdf-" + std::to_string(page);
        EXPECT_NE(imprints[0].contents.find(label), std::string::npos) << file;
    }

    // A second intake finds only single-page files and changes nothing.
    const auto before = ListFolder(dir_.path());
    const auto firstPaths = Paths();
    ASSERT_EQ(Intake(), BuildResult::kListed);
    EXPECT_EQ(ListFolder(dir_.path()), before);
    EXPECT_EQ(Paths(), firstPaths);
}

TEST_F(IntakeTest, OrdersTallestFirstWithTheListsTieBreaks) {
    WritePdf("a.pdf", 1, 140);
    WritePdf("b.pdf", 1, 297);
    WritePdf("c.pdf", 1, 140.9);
    WritePdf("d.pdf", 1, 297);
    ASSERT_EQ(Intake(), BuildResult::kListed);
    // Equal tallest keep the search order; equal shorter ones below the
    // tallest come reversed, as in the worked examples of the ordering.
    EXPECT_EQ(Column(kColumnName), (Texts{"b", "d", "c", "a"}));
    EXPECT_EQ(Column(kColumnHeight), (Texts{"297", "297", "140", "140"}));
}

TEST_F(IntakeTest, SubfoldersAreIgnoredHiddenAndReadOnlyFilesListed) {
    WritePdf("visible.pdf", 1);
    WritePdf(".hidden.pdf", 1);
    WritePdf("locked.pdf", 2);
    chmod((dir_ / "locked.pdf").c_str(), 0444);
    ASSERT_EQ(mkdir((dir_ / "x.pdf").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir_ / "sub").c_str(), 0755), 0);
    WritePdf("sub/inner.pdf", 2);
    WritePdf("x.pdf/inner.pdf", 1);

    ASSERT_EQ(Intake(), BuildResult::kListed);
    EXPECT_EQ(Column(kColumnName), (Texts{".hidden", "locked(第1页)", "locked(第2页)", "visible"}));
    EXPECT_EQ(PagesOf(dir_ / "sub/inner.pdf"), 2);
    EXPECT_TRUE(Exists(dir_ / "x.pdf/inner.pdf"));
}

TEST_F(IntakeTest, DroppedFileOrSeveralFoldersFindNothing) {
    WritePdf("a.pdf", 1);
    // A list from an earlier intake must not survive a failed one.
    ASSERT_EQ(Intake(), BuildResult::kListed);
    ASSERT_EQ(rows_.rowCount(), 1);

    EXPECT_EQ(Intake(dir_ / "a.pdf"), BuildResult::kNoPdfFiles);
    EXPECT_EQ(rows_.rowCount(), 0);
    EXPECT_EQ(values_.splitTargetFolder, dir_.path() + "/");

    TempDir other;
    EXPECT_EQ(Intake(dir_.path() + "\r\n" + other.path() + "\r\n"), BuildResult::kNoPdfFiles);
    EXPECT_EQ(rows_.rowCount(), 0);
    EXPECT_EQ(Intake(other.path()), BuildResult::kNoPdfFiles);
    EXPECT_TRUE(Exists(dir_ / "a.pdf"));
}

TEST_F(IntakeTest, NameThatIsNotUtf8IsSplitAndListed) {
    const std::string gbk = "\xb7\xa2\xc6\xb1";  // 发票 in GBK
    WritePdf(gbk + ".pdf", 2);
    ASSERT_EQ(Intake(), BuildResult::kListed);
    const Strings pages{gbk + "(第1页).pdf", gbk + "(第2页).pdf"};
    EXPECT_EQ(ListFolder(dir_.path()), pages);
    ASSERT_EQ(rows_.rowCount(), 2);
    EXPECT_EQ(Paths(), (Strings{dir_ / pages[0], dir_ / pages[1]}));
    EXPECT_EQ(PagesOf(Paths()[1]), 1);
}

TEST_F(IntakeTest, RemovePreviousOutputDeletesFileAndFolderTree) {
    WriteFile(dir_ / "电子发票.pdf", "old");
    ASSERT_EQ(mkdir((dir_ / "临时图片").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir_ / "临时图片/sub").c_str(), 0755), 0);
    WriteFile(dir_ / "临时图片/0.png", "x");
    WriteFile(dir_ / "临时图片/sub/1.jpg", "x");
    WriteFile(dir_ / "keep.pdf", "x");
    ASSERT_EQ(symlink((dir_ / "keep.pdf").c_str(), (dir_ / "临时图片/link").c_str()), 0);
    RemovePreviousOutput(dir_ / "电子发票.pdf", dir_ / "临时图片");
    EXPECT_EQ(ListFolder(dir_.path()), (Strings{"keep.pdf"}));
    RemovePreviousOutput(dir_ / "电子发票.pdf", dir_ / "临时图片");  // missing ones are fine
}

}  // namespace
}  // namespace vellumark::testing
