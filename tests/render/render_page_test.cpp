// Invoice pages rendered as they print: seals, text, white paper, sizes.
#include "render/render_page.h"
#include "fixtures/invoice_fixtures.h"
#include "render_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace vellumark::testing;
using vellumark::fixtures::FixturePage;
using vellumark::fixtures::WriteInvoicePdf;

namespace {

std::string Invoice(const std::string& relative) {
    return CorpusDir() + "/invoices/" + relative;
}

struct Rendered {
    RenderOutcome outcome;
    QImage image;
    PngHeader header;
};

Rendered RenderPng(const TempDir& dir, const std::string& pdf, int setRotate = -1) {
    Rendered r;
    const std::string out = dir / "page.png";
    r.outcome = RenderFilePage(pdf, 1, pdfax::kImageFormatPng, 300, out, setRotate);
    if (r.outcome.rendered) {
        r.header = ReadPngHeader(ReadFile(out));
        r.image = LoadImage(out);
    }
    return r;
}

// Seals that these invoices keep only in a signature field's appearance:
// drawn without the form fields, each region holds no red at all.
struct SealCase {
    const char* file;
    int width, height;
    double x0, y0, x1, y1;  // the seal's region, in fractions of the image
};

const SealCase kSealCases[] = {
    {"mxvc-invoice/19.70.pdf", 2483, 1654, 0.78, 0.72, 1, 1},
    {"mxvc-invoice/发票_U舍酒店-2.pdf", 2481, 1654, 0.4, 0, 0.62, 0.16},
    {"dingjunqing-invoice/1716021989397_May,14,2024江苏高速通行费电子票据_20240514.pdf", 2244, 1500,
     0, 0.7, 0.3, 1},
    // Its seller's seal is in the page content too; checked as the reference case.
    {"mxvc-invoice/15.94.pdf", 2480, 1654, 0.8, 0.78, 1, 1},
};

}  // namespace

TEST(RenderPage, SealsKeptOnlyInSignatureFieldsAreDrawn) {
    VELLUMARK_REQUIRE_CORPUS();
    TempDir dir;
    for (const auto& c : kSealCases) {
        SCOPED_TRACE(c.file);
        const Rendered r = RenderPng(dir, Invoice(c.file));
        ASSERT_TRUE(r.outcome.rendered);
        EXPECT_EQ(r.image.width(), c.width);
        EXPECT_EQ(r.image.height(), c.height);
        EXPECT_GT(CountPixels(r.image, c.x0, c.y0, c.x1, c.y1).red, 3000);
    }
}

TEST(RenderPage, TextInFontsNotEmbeddedIsDrawnOnWhitePaper) {
    VELLUMARK_REQUIRE_CORPUS();
    TempDir dir;
    for (const char* file :
         {"mxvc-invoice/15.94.pdf", "mxvc-invoice/发票.pdf",
          "wiggins-kong-invoice-renamer/样例1_电子普通发票.pdf",
          "dingjunqing-invoice/1716021989575_May,14,2024通行费电子票据汇总单(票据).pdf"}) {
        SCOPED_TRACE(file);
        const Rendered r = RenderPng(dir, Invoice(file));
        ASSERT_TRUE(r.outcome.rendered);
        // An 8-bit RGB PNG: no alpha, no palette, no 16-bit samples.
        EXPECT_EQ(r.header.depth, 8);
        EXPECT_EQ(r.header.colorType, 2);
        EXPECT_GT(CountPixels(r.image, 0, 0, 1, 1).dark, 20000);
        // The outer margin is blank paper.
        EXPECT_EQ(CountPixels(r.image, 0, 0, 1, 0.004).nonWhite, 0);
        EXPECT_EQ(CountPixels(r.image, 0, 0.996, 1, 1).nonWhite, 0);
    }
}

TEST(RenderPage, SizeFollowsTheViewerPageSizeAndRotation) {
    TempDir dir;
    ASSERT_TRUE(
        WriteInvoicePdf(dir / "short.pdf", FixturePage{210, 140, 0, true, false, false, "S"}));
    ASSERT_TRUE(
        WriteInvoicePdf(dir / "tall.pdf", FixturePage{210, 297, 0, true, false, false, "T"}));
    ASSERT_TRUE(
        WriteInvoicePdf(dir / "turned.pdf", FixturePage{210, 297, 270, true, false, false}));
    Rendered r = RenderPng(dir, dir / "short.pdf");
    EXPECT_EQ(r.image.size(), QSize(2480, 1654));
    r = RenderPng(dir, dir / "tall.pdf");
    EXPECT_EQ(r.image.size(), QSize(2480, 3508));
    // Turned in memory, whatever the page said before.
    r = RenderPng(dir, dir / "tall.pdf", 90);
    ASSERT_EQ(r.image.size(), QSize(3508, 2480));
    r = RenderPng(dir, dir / "turned.pdf", 90);
    ASSERT_EQ(r.image.size(), QSize(3508, 2480));
    r = RenderPng(dir, dir / "turned.pdf");
    ASSERT_EQ(r.image.size(), QSize(3508, 2480));
}

TEST(RenderPage, RotationTurnsTheDrawingClockwise) {
    VELLUMARK_REQUIRE_CORPUS();
    TempDir dir;
    // The seller's seal, lower right when upright, is lower left after a
    // quarter turn clockwise.
    const Rendered r = RenderPng(dir, Invoice("mxvc-invoice/15.94.pdf"), 90);
    ASSERT_EQ(r.image.size(), QSize(1654, 2480));
    EXPECT_GT(CountPixels(r.image, 0, 0.8, 0.22, 1).red, 3000);
    EXPECT_LT(CountPixels(r.image, 0.78, 0.8, 1, 1).red, 100);
}

TEST(RenderPage, FixtureSealsInSignatureFieldsAndStampsAreDrawn) {
    TempDir dir;
    FixturePage signature{210, 140, 0, true, true, false, ""};
    FixturePage stamp{210, 140, 0, true, false, true, ""};
    FixturePage none{210, 140, 0, true, false, false, ""};
    ASSERT_TRUE(WriteInvoicePdf(dir / "sig.pdf", signature));
    ASSERT_TRUE(WriteInvoicePdf(dir / "stamp.pdf", stamp));
    ASSERT_TRUE(WriteInvoicePdf(dir / "none.pdf", none));
    EXPECT_GT(CountPixels(RenderPng(dir, dir / "sig.pdf").image, 0, 0, 1, 1).red, 3000);
    EXPECT_GT(CountPixels(RenderPng(dir, dir / "stamp.pdf").image, 0, 0, 1, 1).red, 3000);
    EXPECT_LT(CountPixels(RenderPng(dir, dir / "none.pdf").image, 0, 0, 1, 1).red, 100);
}

TEST(RenderPage, JpegOutputIsCleanAndFullSize) {
    VELLUMARK_REQUIRE_CORPUS();
    TempDir dir;
    const std::string out = dir / "page.jpg";
    const auto outcome =
        RenderFilePage(Invoice("mxvc-invoice/15.94.pdf"), 1, pdfax::kImageFormatJpeg, 300, out);
    ASSERT_TRUE(outcome.rendered);
    const std::string bytes = ReadFile(out);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xD8);
    const QImage image = LoadImage(out);
    ASSERT_EQ(image.size(), QSize(2480, 1654));
    EXPECT_GT(CountPixels(image, 0.8, 0.78, 1, 1).red, 3000);
    // A high quality keeps paper white apart from faint ringing.
    EXPECT_LT(CountPixels(image, 0, 0, 1, 0.004).nonWhite, 200);
}

TEST(RenderPage, RefusesWhatCannotBeRenderedAndWritesNothing) {
    TempDir dir;
    ASSERT_TRUE(vellumark::fixtures::WriteHugeMediaBoxPdf(dir / "huge.pdf"));
    ASSERT_TRUE(WriteInvoicePdf(dir / "ok.pdf"));
    EXPECT_FALSE(
        RenderFilePage(dir / "huge.pdf", 1, pdfax::kImageFormatPng, 300, dir / "a.png").rendered);
    EXPECT_FALSE(RenderFilePage(dir / "ok.pdf", 1, 3, 300, dir / "b.png").rendered);
    EXPECT_FALSE(
        RenderFilePage(dir / "ok.pdf", 1, pdfax::kImageFormatPng, 0, dir / "c.png").rendered);
    EXPECT_FALSE(
        RenderFilePage(dir / "ok.pdf", 1, pdfax::kImageFormatPng, 1e6, dir / "d.png").rendered);
    EXPECT_TRUE(ListFolder(dir.path()) == (std::vector<std::string>{"huge.pdf", "ok.pdf"}));

    // A folder in the way stays a folder; a previous image survives a failure.
    RemoveTree(dir / "huge.pdf");
    WriteFile(dir / "old.png", "previous");
    EXPECT_FALSE(RenderFilePage(dir / "ok.pdf", 1, 3, 300, dir / "old.png").rendered);
    EXPECT_EQ(ReadFile(dir / "old.png"), "previous");
    EXPECT_FALSE(
        RenderFilePage(dir / "ok.pdf", 1, pdfax::kImageFormatPng, 300, dir.path()).rendered);
    EXPECT_TRUE(ListFolder(dir.path()) == (std::vector<std::string>{"ok.pdf", "old.png"}));
}

// The merge's calls, through the deployed library.
TEST(RenderPage, ThroughTheLibraryWithRotationInMemory) {
    auto& lib = Library();
    TempDir dir;
    ASSERT_TRUE(WriteInvoicePdf(dir / "tall.pdf", FixturePage{210, 297, 0, true, true, false, ""}));
    const int handle = lib.DAOpenFileReadOnly(dir / "tall.pdf", "");
    ASSERT_GT(handle, 0);
    const int ref = lib.DAFindPage(handle, 1);
    ASSERT_GT(ref, 0);
    ASSERT_NE(lib.DARotatePage(handle, ref, 90), 0);
    ASSERT_EQ(lib.DARenderPageToFile(handle, ref, pdfax::kImageFormatJpeg, 300.0, dir / "0.jpg"),
              1);
    lib.DACloseFile(handle);
    lib.NewDocument();  // the image may be written in the background until the next call
    const QImage image = LoadImage(dir / "0.jpg");
    EXPECT_EQ(image.size(), QSize(3508, 2480));
    EXPECT_GT(CountPixels(image, 0, 0, 1, 1).red, 3000);

    // A file that did not open gives no handle, and rendering by it nothing.
    const int bad = lib.DAOpenFileReadOnly(dir / "missing.pdf", "");
    EXPECT_EQ(lib.DARenderPageToFile(bad, lib.DAFindPage(bad, 1), pdfax::kImageFormatPng, 300.0,
                                     dir / "1.png"),
              0);
    EXPECT_FALSE(Exists(dir / "1.png"));
}

// Every alpha over every channel value, in both layouts the renderer may hand
// back: the result is the pixel over white, rounded to nearest.
TEST(RenderPage, CompositingOntoWhiteIsExactForEveryAlpha) {
    for (const auto format : {QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied}) {
        QImage bitmap(256, 256, format);
        for (int alpha = 0; alpha < 256; ++alpha) {
            auto* row = reinterpret_cast<QRgb*>(bitmap.scanLine(alpha));
            for (int value = 0; value < 256; ++value) {
                // Premultiplied channels never exceed their alpha.
                const auto scaled = [&](int v) {
                    return format == QImage::Format_ARGB32 ? v : v * alpha / 255;
                };
                row[value] = qRgba(scaled(value), scaled(value / 2), scaled(255 - value), alpha);
            }
        }
        const pdfax::RgbImage out = pdfax::CompositeOntoWhite(bitmap);
        ASSERT_EQ(out.width, 256);
        ASSERT_EQ(out.height, 256);
        for (int alpha = 0; alpha < 256; ++alpha) {
            const auto* row = reinterpret_cast<const QRgb*>(bitmap.constScanLine(alpha));
            for (int value = 0; value < 256; ++value) {
                const QRgb p = row[value];
                const std::uint8_t* got = &out.pixels[(std::size_t(alpha) * 256 + value) * 3];
                const int rest = 255 - alpha;
                for (int c = 0; c < 3; ++c) {
                    const int source = c == 0 ? qRed(p) : c == 1 ? qGreen(p) : qBlue(p);
                    const int want = format == QImage::Format_ARGB32
                                         ? (source * alpha + 255 * rest + 127) / 255
                                         : source + rest;
                    ASSERT_EQ(got[c], want) << "alpha " << alpha << " value " << value;
                }
            }
        }
    }
    EXPECT_TRUE(pdfax::CompositeOntoWhite(QImage()).pixels.empty());
}
