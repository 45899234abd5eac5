// The merge from listed rows to the saved file: render classes, row order,
// failed invoices, the report and a failed save.
#include "layout/merge_pipeline.h"
#include "drawn_pages.h"
#include "fixtures/invoice_fixtures.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <filesystem>

#include <sys/stat.h>

namespace vellumark {
namespace {

using testing::Exists;
using testing::ReadDrawnPages;

void AddRow(InvoiceRows& rows, const std::string& path, int heightMm) {
    rows.AppendRow();
    const int row = rows.rowCount() - 1;
    rows.SetPath(row, path);
    rows.SetSize(row, 0, heightMm);
    rows.SetCell(row, kColumnProgress, QStringLiteral("等待中"));
}

std::string Invoice(const testing::TempDir& dir, const std::string& name, double width,
                    double height) {
    const std::string path = dir / name;
    fixtures::FixturePage page = fixtures::ShortPage(name);
    page.widthMm = width;
    page.heightMm = height;
    EXPECT_TRUE(fixtures::WriteInvoicePdf(path, page));
    return path;
}

class MergePipelineTest : public ::testing::Test {
protected:
    // Merges and shows each row's result in its progress cell, as the
    // programs do.
    MergeOutcome Merge(LayoutMode mode) {
        MergeOutcome outcome =
            MergeInvoices(testing::Library(), settings_, mode, rows_,
                          [this](const RowResult& result) { progress_.push_back(result.row); });
        for (const RowResult& result : outcome.rows)
            rows_.SetCell(result.row, kColumnProgress, RowStatusText(result.status));
        return outcome;
    }
    testing::TempDir invoices_;
    testing::TempDir program_;
    MergeSettings settings_{program_ / "临时图片", program_ / "电子发票.pdf"};
    InvoiceRows rows_;
    std::vector<int> progress_;
};

TEST_F(MergePipelineTest, EmptyListTouchesNothing) {
    const MergeOutcome outcome = Merge(LayoutMode::A4Two);
    EXPECT_EQ(outcome.status, MergeStatus::kNothingToMerge);
    EXPECT_TRUE(outcome.report.isEmpty());
    EXPECT_FALSE(Exists(settings_.tempImageFolder));
    EXPECT_FALSE(Exists(settings_.outputPdf));
    EXPECT_TRUE(progress_.empty());
}

// 180 mm is tall (JPEG, its own sheet first), 179 mm short (PNG).
TEST_F(MergePipelineTest, HeightDecidesTheImageKind) {
    AddRow(rows_, Invoice(invoices_, "short.pdf", 210, 179), 179);
    AddRow(rows_, Invoice(invoices_, "tall.pdf", 210, 180), 180);
    const MergeOutcome outcome = Merge(LayoutMode::A4Two);
    ASSERT_EQ(outcome.status, MergeStatus::kSaved);
    EXPECT_EQ(outcome.icon, MergeIcon::kInformation);
    EXPECT_EQ(outcome.report, QStringLiteral("此次共为您\r\n合并打印了 2 张电子发票；\r\n"
                                             "共需打印 2 张A4纸；\r\n电子发票批量导出成功！"));
    EXPECT_TRUE(Exists(settings_.tempImageFolder + "/0.png"));
    EXPECT_TRUE(Exists(settings_.tempImageFolder + "/1.jpg"));
    EXPECT_TRUE(Exists(settings_.SheetTemplateFile()));
    EXPECT_EQ(rows_.Cell(0, kColumnProgress), QStringLiteral("已完成"));
    EXPECT_EQ(rows_.Cell(1, kColumnProgress), QStringLiteral("已完成"));
    // Each row once, when its render is done.
    std::sort(progress_.begin(), progress_.end());
    EXPECT_EQ(progress_, (std::vector<int>{0, 1}));

    const auto pages = ReadDrawnPages(settings_.outputPdf);
    ASSERT_EQ(pages.size(), 2u);
    ASSERT_EQ(pages[0].images.size(), 1u);
    ASSERT_EQ(pages[1].images.size(), 1u);
    EXPECT_EQ(pages[0].images[0].filter, "/DCTDecode");
    EXPECT_NE(pages[1].images[0].filter, "/DCTDecode");
    // 180 mm at 300 dpi is 2126 pixels; the layout draws it floor(2126 / 11.8142857 * 0.93) = 167
    // mm high.
    EXPECT_NEAR(pages[0].images[0].height, 167, 0.01);
    EXPECT_EQ(pages[0].images[0].pixelHeight, 2126);
    EXPECT_EQ(pages[1].images[0].pixelHeight, 2114);
}

// Sheets follow the rows, whatever order the folder lists the images in:
// row 10 comes after row 2.
TEST_F(MergePipelineTest, SheetsFollowTheRowOrder) {
    for (int i = 0; i < 12; ++i)
        AddRow(rows_, Invoice(invoices_, std::to_string(i) + ".pdf", 150 + 5 * i, 100), 100);
    const MergeOutcome outcome = Merge(LayoutMode::A4Four);
    ASSERT_EQ(outcome.status, MergeStatus::kSaved);
    EXPECT_EQ(outcome.sheets, 3);
    std::vector<int> widths;
    for (const auto& page : ReadDrawnPages(settings_.outputPdf))
        for (const auto& image : page.images)
            widths.push_back(image.pixelWidth);
    ASSERT_EQ(widths.size(), 12u);
    for (size_t i = 1; i < widths.size(); ++i)
        EXPECT_LT(widths[i - 1], widths[i]) << i;
}

// What an image file shows: a PNG by its pixels, since renderer processes
// may compress the same pixels to different bytes; a JPEG by its bytes.
std::string ImageContent(const std::string& path) {
    if (!path.ends_with(".png"))
        return testing::ReadFile(path);
    const QImage image =
        QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB888);
    if (image.isNull())
        return {};
    std::string pixels;
    for (int y = 0; y < image.height(); ++y)
        pixels.append(reinterpret_cast<const char*>(image.constScanLine(y)),
                      std::size_t(image.width()) * 3);
    return pixels;
}

// One renderer or several, or none beside the program: the same images, the
// same sheets.
TEST_F(MergePipelineTest, RenderersChangeNothing) {
    for (int i = 0; i < 7; ++i) {
        const double height = i % 3 == 0 ? 297 : 140;
        AddRow(rows_, Invoice(invoices_, std::to_string(i) + ".pdf", 210, height), int(height));
    }
    std::vector<std::string> images, sheets;
    for (const int renderers : {1, 3, -1}) {
        testing::Library().SetPDFiumFileName(renderers < 0 ? std::string("/nowhere")
                                                           : testing::RendererProgram());
        settings_.renderers = std::max(renderers, 0);
        ASSERT_EQ(Merge(LayoutMode::A4Four).status, MergeStatus::kSaved) << renderers;
        std::string bytes;
        for (int row = 0; row < rows_.rowCount(); ++row) {
            const bool tall = rows_.Cell(row, kColumnHeight) == "297";
            const std::string image = ImageContent(settings_.ImagePath(row, tall));
            ASSERT_FALSE(image.empty()) << renderers << " row " << row;
            bytes += image;
        }
        images.push_back(bytes);
        std::string drawn;
        for (const auto& page : ReadDrawnPages(settings_.outputPdf)) {
            for (const auto& image : page.images) {
                drawn += std::to_string(image.left) + "," + std::to_string(image.top) + "," +
                         std::to_string(image.pixelWidth) + ";";
            }
        }
        sheets.push_back(drawn);
    }
    testing::Library().SetPDFiumFileName(testing::RendererProgram());
    EXPECT_TRUE(images[0] == images[1]);
    EXPECT_TRUE(images[0] == images[2]);
    EXPECT_EQ(sheets[0], sheets[1]);
    EXPECT_EQ(sheets[0], sheets[2]);
}

// An invoice that gave no image is marked and not counted; the user must not
// take a set with a missing invoice for complete.
TEST_F(MergePipelineTest, InvoicesWithoutImageAreMarkedFailed) {
    AddRow(rows_, Invoice(invoices_, "good.pdf", 210, 140), 140);
    const std::string notPdf = invoices_ / "broken.pdf";
    ASSERT_TRUE(fixtures::WriteNotAPdf(notPdf));
    AddRow(rows_, notPdf, 140);
    AddRow(rows_, invoices_ / "missing.pdf", 297);
    const std::string encrypted = invoices_ / "locked.pdf";
    ASSERT_TRUE(fixtures::WriteEncryptedPdf(encrypted, "secret"));
    AddRow(rows_, encrypted, 140);

    const MergeOutcome outcome = Merge(LayoutMode::A4Two);
    ASSERT_EQ(outcome.status, MergeStatus::kSaved);
    EXPECT_EQ(outcome.invoices, 1);
    EXPECT_EQ(outcome.sheets, 1);
    EXPECT_TRUE(outcome.report.contains(QStringLiteral("合并打印了 1 张电子发票")));
    EXPECT_EQ(rows_.Cell(0, kColumnProgress), QStringLiteral("已完成"));
    for (int row = 1; row < 4; ++row)
        EXPECT_EQ(rows_.Cell(row, kColumnProgress), QStringLiteral("失败")) << row;
    EXPECT_EQ(ReadDrawnPages(settings_.outputPdf).size(), 1u);
    EXPECT_EQ(testing::ReadFile(notPdf).size() > 0, true);  // the user's file stays
}

TEST_F(MergePipelineTest, NoImageAtAllFails) {
    AddRow(rows_, invoices_ / "missing.pdf", 140);
    const MergeOutcome outcome = Merge(LayoutMode::A4Three);
    EXPECT_EQ(outcome.status, MergeStatus::kFailed);
    EXPECT_EQ(outcome.icon, MergeIcon::kWarning);
    EXPECT_EQ(outcome.report, QStringLiteral("电子发票批量导出失败！"));
    EXPECT_FALSE(Exists(settings_.outputPdf));
    EXPECT_EQ(rows_.Cell(0, kColumnProgress), QStringLiteral("失败"));
}

// A save that cannot replace the merged file reports failure and leaves
// what stood there.
TEST_F(MergePipelineTest, FailedSaveLeavesThePreviousFile) {
    AddRow(rows_, Invoice(invoices_, "good.pdf", 210, 140), 140);
    ASSERT_EQ(mkdir(settings_.outputPdf.c_str(), 0755), 0);
    testing::WriteFile(settings_.outputPdf + "/kept", "previous");
    const MergeOutcome outcome = Merge(LayoutMode::A4Two);
    EXPECT_EQ(outcome.status, MergeStatus::kFailed);
    EXPECT_EQ(outcome.report, QStringLiteral("电子发票批量导出失败！"));
    EXPECT_EQ(testing::ReadFile(settings_.outputPdf + "/kept"), "previous");
}

// The two one-per-sheet modes turn tall invoices a quarter turn; the
// invoice file itself is not changed.
TEST_F(MergePipelineTest, TallInvoicesAreTurnedInA5One) {
    const std::string tall = Invoice(invoices_, "tall.pdf", 210, 297);
    const std::string before = testing::ReadFile(tall);
    AddRow(rows_, tall, 297);
    AddRow(rows_, Invoice(invoices_, "short.pdf", 210, 140), 140);
    const MergeOutcome outcome = Merge(LayoutMode::A5One);
    ASSERT_EQ(outcome.status, MergeStatus::kSaved);
    EXPECT_TRUE(
        outcome.report.endsWith(QStringLiteral("共需打印 2 张A5纸；\r\n电子发票批量导出成功！")));
    const auto pages = ReadDrawnPages(settings_.outputPdf);
    ASSERT_EQ(pages.size(), 2u);
    ASSERT_EQ(pages[0].images.size(), 1u);
    EXPECT_EQ(pages[0].images[0].pixelWidth, 3508);
    EXPECT_EQ(pages[0].images[0].pixelHeight, 2480);
    // 217 wide would run off the 210 mm sheet: fitted, in proportion.
    EXPECT_NEAR(pages[0].images[0].left, 10.93, 0.01);
    EXPECT_NEAR(pages[0].images[0].top, 10, 0.01);
    EXPECT_NEAR(pages[0].images[0].width, 188.13, 0.01);
    EXPECT_NEAR(pages[0].images[0].height, 133, 0.01);
    EXPECT_NEAR(pages[0].heightMm, 148, 0.01);
    EXPECT_EQ(testing::ReadFile(tall), before);

    // The same invoice in an A4 mode is not turned.
    rows_.Clear();
    AddRow(rows_, tall, 297);
    ASSERT_EQ(Merge(LayoutMode::A4Three).status, MergeStatus::kSaved);
    const auto a4 = ReadDrawnPages(settings_.outputPdf);
    ASSERT_EQ(a4.size(), 1u);
    EXPECT_EQ(a4[0].images[0].pixelWidth, 2480);
}

// A page rendered when it was listed is not rendered again by the merge,
// unless its invoice changed since or the layout turns it.
TEST_F(MergePipelineTest, AListedRenderServesTheMergeWhileItsInvoiceIsUnchanged) {
    AddRow(rows_, Invoice(invoices_, "a.pdf", 210, 140), 140);
    AddRow(rows_, Invoice(invoices_, "b.pdf", 210, 140), 140);
    std::filesystem::create_directories(settings_.tempImageFolder);
    std::vector<pdfax::RenderJob> jobs =
        UprightRenderJobs(settings_.tempImageFolder, rows_, settings_.ready);
    std::vector<pdfax::RenderedImage> renders(jobs.size());
    testing::Library().RenderPagesToFiles(jobs, 1, [&](int i, const pdfax::RenderedImage& image) {
        renders[static_cast<std::size_t>(i)] = image;
        return true;
    });
    KeepReady(settings_.ready, renders);
    // The invoice of row 1 is written anew, as a second download would.
    Invoice(invoices_, "b.pdf.new", 210, 140);
    std::filesystem::rename(invoices_ / "b.pdf.new", invoices_ / "b.pdf");

    ASSERT_EQ(Merge(LayoutMode::A4Two).status, MergeStatus::kSaved);
    EXPECT_FALSE(Exists(settings_.ImagePath(0, false)));  // taken from the listing
    EXPECT_TRUE(Exists(settings_.ImagePath(1, false)));   // changed, so rendered again
    EXPECT_EQ(ReadDrawnPages(settings_.outputPdf).size(), 1u);
}

}  // namespace
}  // namespace vellumark
