// Real invoices merged and printed back: the red seals must reach the sheets,
// wherever the invoice keeps them (signature field or stamp annotation).
#include "drawn_pages.h"
#include "fixtures/invoice_fixtures.h"
#include "layout/merge_pipeline.h"
#include "test_support.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace vellumark {
namespace {

// Strongly red pixels in rows [fromY, toY) of the image.
int RedPixels(const QImage& image, int fromY, int toY) {
    int count = 0;
    for (int y = std::max(0, fromY); y < std::min(image.height(), toY); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 150 && c.green() < 110 && c.blue() < 110)
                ++count;
        }
    return count;
}

// The pages of `pdf` rendered by poppler at 50 dpi.
std::vector<QImage> Printed(const std::string& pdf, const std::string& folder) {
    const std::string command = "pdftoppm -r 50 -png '" + pdf + "' '" + folder + "/page'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::vector<QImage> pages;
    for (const std::string& name : testing::ListFolder(folder))
        if (name.rfind("page", 0) == 0)
            pages.push_back(QImage(QString::fromStdString(folder + "/" + name)));
    return pages;
}

TEST(CorpusMergeTest, SealsReachTheSheets) {
    VELLUMARK_REQUIRE_CORPUS();
    const std::string invoices = testing::CorpusDir() + "/invoices/";
    const std::vector<std::string> files = {
        invoices + "dingjunqing-invoice/1716021989737_May,14,2024滴滴出行行程报销单.pdf",
        invoices + "mxvc-invoice/发票.pdf",
        invoices + "zqywuxie-invoice_management/郑钦云-邮费1.pdf",
        invoices + "596966060-fapiao-rename/住宿费发票-6.8-广德_1785749043248.pdf",
        invoices + "dingjunqing-invoice/滴滴电子发票.pdf",
    };
    PdfLibrary& pdf = testing::Library();
    InvoiceRows rows;
    for (const std::string& file : files) {
        ASSERT_NE(pdf.LoadFromFile(file, ""), 0) << file;
        rows.AppendRow();
        rows.SetPath(rows.rowCount() - 1, file);
        rows.SetSize(rows.rowCount() - 1, 0, std::floor(pdf.PageHeight()));
    }
    testing::TempDir program;
    const MergeSettings settings{program / "临时图片", program / "电子发票.pdf"};
    const MergeOutcome outcome = MergeInvoices(pdf, settings, LayoutMode::A4Two, rows);
    ASSERT_EQ(outcome.status, MergeStatus::kSaved);
    EXPECT_EQ(outcome.invoices, 5);
    EXPECT_EQ(outcome.sheets, 3);

    // To look at the sheets by eye: VELLUMARK_KEEP_MERGE=<folder>.
    if (const char* keep = std::getenv("VELLUMARK_KEEP_MERGE"))
        testing::CopyFile(settings.outputPdf, std::string(keep) + "/电子发票.pdf");

    testing::TempDir printed;
    const std::vector<QImage> pages = Printed(settings.outputPdf, printed.path());
    ASSERT_EQ(pages.size(), 3u);
    // Sheet 2 and 3 hold the short invoices, one above and one below the
    // half-height marks (148 of 297 mm); each must show its seal.
    const int half = pages[1].height() * 148 / 297;
    EXPECT_GT(RedPixels(pages[1], 0, half), 40) << "first invoice on sheet 2";
    EXPECT_GT(RedPixels(pages[1], half, pages[1].height()), 40) << "second invoice on sheet 2";
    EXPECT_GT(RedPixels(pages[2], 0, half), 40) << "first invoice on sheet 3";
    EXPECT_GT(RedPixels(pages[2], half, pages[2].height()), 40) << "second invoice on sheet 3";
}

// Real invoices of every shape in use, with a landscape A4 page and a long
// toll summary: in every layout each image stays inside its sheet and
// keeps its proportions within 10 %.
TEST(CorpusMergeTest, EveryLayoutKeepsInvoicesOnTheSheetInProportion) {
    VELLUMARK_REQUIRE_CORPUS();
    const std::string invoices = testing::CorpusDir() + "/invoices/";
    testing::TempDir made;
    std::vector<std::string> files = {
        invoices +
            "dingjunqing-invoice/1716021989397_May,14,2024江苏高速通行费电子票据_20240514.pdf",
        invoices + "dingjunqing-invoice/1716021992433_May,18,2024滴滴出行行程报销单A.pdf",
        invoices + "dingjunqing-invoice/1716021989575_May,14,2024通行费电子票据汇总单(票据).pdf",
        invoices +
            "dingjunqing-invoice/"
            "1716021989397_May,14,2024江苏高速通行费电子票据行程单_20240514.pdf",
        invoices + "various/xbrl-001.pdf",
        invoices + "mxvc-invoice/发票.pdf",
        made / "landscape.pdf",
        made / "toll.pdf",
    };
    ASSERT_TRUE(fixtures::WriteInvoicePdf(made / "landscape.pdf", {297, 210, 0, true}));
    ASSERT_TRUE(fixtures::WriteInvoicePdf(made / "toll.pdf", {210, 318, 0, true}));
    PdfLibrary& pdf = testing::Library();
    InvoiceRows rows;
    for (const std::string& file : files) {
        ASSERT_NE(pdf.LoadFromFile(file, ""), 0) << file;
        rows.AppendRow();
        const int row = rows.rowCount() - 1;
        rows.SetPath(row, file);
        rows.SetSize(row, std::floor(pdf.PageWidth()), std::floor(pdf.PageHeight()));
    }
    for (int m = 0; m < kLayoutModeCount; ++m) {
        const LayoutMode mode = LayoutModeAt(m);
        testing::TempDir program;
        const MergeSettings settings{program / "临时图片", program / "电子发票.pdf"};
        ASSERT_EQ(MergeInvoices(pdf, settings, mode, rows).status, MergeStatus::kSaved);
        const LayoutModeParameters& sheet = ParametersOf(mode);
        for (const testing::DrawnPage& page : testing::ReadDrawnPages(settings.outputPdf)) {
            for (const testing::DrawnImage& i : page.images) {
                SCOPED_TRACE(::testing::Message() << "layout " << m << ": " << i.width << " x "
                                                  << i.height << " at " << i.left << ", " << i.top);
                EXPECT_GE(i.left, -0.01);
                EXPECT_GE(i.top, -0.01);
                EXPECT_LE(i.left + i.width, sheet.sheetWidth + 0.01);
                EXPECT_LE(i.top + i.height, sheet.sheetHeight + 0.01);
                const double stretch =
                    (i.width / i.height) / (double(i.pixelWidth) / i.pixelHeight);
                EXPECT_LE(std::max(stretch, 1 / stretch), 1.101);
            }
        }
    }
}

}  // namespace
}  // namespace vellumark
