// Sheets composed through the library, read back with qpdf and pdftoppm.
#include "drawn_pages.h"
#include "test_support.h"

#include <QImage>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

using namespace vellumark::testing;

namespace {

constexpr double kTolMm = 0.01;

constexpr int kQuality = 95;

std::string Encode(const QImage& image, const char* format) {
    return EncodedImage(image, format, kQuality);
}

void ExpectBox(const DrawnImage& p, double left, double top, double width, double height) {
    EXPECT_NEAR(p.left, left, kTolMm);
    EXPECT_NEAR(p.top, top, kTolMm);
    EXPECT_NEAR(p.width, width, kTolMm);
    EXPECT_NEAR(p.height, height, kTolMm);
}

void ExpectLine(const DrawnLine& l, double x1, double y1, double x2, double y2) {
    EXPECT_NEAR(l.x1, x1, kTolMm);
    EXPECT_NEAR(l.y1, y1, kTolMm);
    EXPECT_NEAR(l.x2, x2, kTolMm);
    EXPECT_NEAR(l.y2, y2, kTolMm);
}

// Page `page` (1-based) of `pdf` rendered by pdftoppm at 72 dpi: 1 px = 1 pt.
QImage RenderWithPoppler(const TempDir& dir, const std::string& pdf, int page) {
    const std::string prefix = dir / ("poppler" + std::to_string(page));
    const std::string command = "pdftoppm -r 72 -png -singlefile -f " + std::to_string(page) +
                                " -l " + std::to_string(page) + " '" + pdf + "' '" + prefix + "'";
    if (std::system(command.c_str()) != 0)
        return {};
    return QImage(QString::fromStdString(prefix + ".png"));
}

QColor PixelAtMm(const QImage& image, double xMm, double yMm) {
    return image.pixelColor(int(xMm * 72 / 25.4), int(yMm * 72 / 25.4));
}

// A one-page PDF of the given size in points, as a template to load.
void WriteBlankPdf(const std::string& path, double width, double height) {
    QPDF pdf;
    pdf.emptyPDF();
    auto page = QPDFObjectHandle::parse("<< /Type /Page /Resources << >> >>");
    page.replaceKey("/MediaBox",
                    QPDFObjectHandle::newArray(QPDFObjectHandle::Rectangle(0, 0, width, height)));
    QPDFPageDocumentHelper(pdf).addPage(pdf.makeIndirectObject(page), false);
    QPDFWriter writer(pdf, path.c_str());
    writer.write();
}

}  // namespace

TEST(Compose, ImagesAndLinesLandWhereDrawnOnA4Pages) {
    auto& lib = Library();
    TempDir dir;
    const std::string jpg = SolidImage(240, 160, Qt::red, "JPEG", kQuality);
    const std::string png = SolidImage(200, 100, Qt::blue, "PNG", kQuality);
    WriteFile(dir / "a.jpg", jpg);
    WriteFile(dir / "b.png", png);

    ASSERT_EQ(lib.NewDocument(), 1);
    const int jpgId = lib.AddImageFromFile(dir / "a.jpg", 0);
    const int pngId = lib.AddImageFromFile(dir / "b.png", 0);
    ASSERT_GT(jpgId, 0);
    ASSERT_GT(pngId, 0);
    EXPECT_NE(jpgId, pngId);
    EXPECT_EQ(lib.AddImageFromFile(dir / "a.jpg", 0), jpgId);

    lib.SelectImage(jpgId);
    lib.DrawImage(10, 20, 100, 60);
    lib.SetLineColor(255, 0, 0);
    lib.DrawLine(5, 150, 205, 150);
    lib.DrawLine(105, 5, 105, 290);
    ASSERT_EQ(lib.NewPage(), 1);
    lib.SelectImage(pngId);
    lib.DrawImage(30.5, 40.25, 80, 40);
    lib.SelectImage(jpgId);
    lib.DrawImage(120, 200, 50, 33);
    lib.SetLineColor(0, 51, 255);
    lib.DrawLine(0, 0, 210, 297);
    const std::string out = dir / "out.pdf";
    ASSERT_NE(lib.SaveToFile(out), 0);

    const auto pages = ReadDrawnPages(out);
    ASSERT_EQ(pages.size(), 2u);
    for (const auto& page : pages) {
        EXPECT_NEAR(page.widthMm, 210, 0.05);
        EXPECT_NEAR(page.heightMm, 297, 0.05);
    }
    ASSERT_EQ(pages[0].images.size(), 1u);
    ExpectBox(pages[0].images[0], 10, 20, 100, 60);
    EXPECT_EQ(pages[0].images[0].filter, "/DCTDecode");
    EXPECT_TRUE(pages[0].images[0].rawData == jpg) << "JPEG not embedded byte for byte";
    ASSERT_EQ(pages[0].lines.size(), 2u);
    ExpectLine(pages[0].lines[0], 5, 150, 205, 150);
    ExpectLine(pages[0].lines[1], 105, 5, 105, 290);
    EXPECT_DOUBLE_EQ(pages[0].lines[0].red, 1.0);
    EXPECT_DOUBLE_EQ(pages[0].lines[0].green, 0.0);

    ASSERT_EQ(pages[1].images.size(), 2u);
    const auto& pngPlacement = pages[1].images[0];
    ExpectBox(pngPlacement, 30.5, 40.25, 80, 40);
    EXPECT_EQ(pngPlacement.filter, "/FlateDecode");
    EXPECT_TRUE(pngPlacement.rawData == PngIdat(png)) << "PNG IDAT data re-encoded";
    EXPECT_NE(pngPlacement.decodeParms.find("/Predictor 15"), std::string::npos);
    EXPECT_NE(pngPlacement.decodeParms.find("/Colors 3"), std::string::npos);
    EXPECT_NE(pngPlacement.decodeParms.find("/Columns 200"), std::string::npos);
    ExpectBox(pages[1].images[1], 120, 200, 50, 33);
    // Drawn on two pages, stored once.
    EXPECT_EQ(pages[1].images[1].objectId, pages[0].images[0].objectId);
    ASSERT_EQ(pages[1].lines.size(), 1u);
    ExpectLine(pages[1].lines[0], 0, 0, 210, 297);
    EXPECT_NEAR(pages[1].lines[0].green, 0.2, 1e-4);

    // Another renderer sees the images in their boxes and white around them.
    const QImage first = RenderWithPoppler(dir, out, 1);
    ASSERT_FALSE(first.isNull());
    EXPECT_GT(PixelAtMm(first, 60, 50).red(), 200);
    EXPECT_LT(PixelAtMm(first, 60, 50).blue(), 60);
    EXPECT_EQ(PixelAtMm(first, 8, 18), QColor(Qt::white));
    EXPECT_EQ(PixelAtMm(first, 112, 82), QColor(Qt::white));
    const QImage second = RenderWithPoppler(dir, out, 2);
    ASSERT_FALSE(second.isNull());
    EXPECT_EQ(PixelAtMm(second, 70, 60), QColor(Qt::blue));
    EXPECT_GT(PixelAtMm(second, 145, 216).red(), 200);
    EXPECT_EQ(PixelAtMm(second, 28, 38), QColor(Qt::white));
}

TEST(Compose, NewPageKeepsTheLandscapeSizeOfALoadedTemplate) {
    auto& lib = Library();
    TempDir dir;
    WriteFile(dir / "a.jpg", SolidImage(120, 80, Qt::green, "JPEG", kQuality));
    WriteBlankPdf(dir / "landscape.pdf", 841.89, 595.28);
    ASSERT_EQ(lib.LoadFromFile(dir / "landscape.pdf", ""), 1);
    const int id = lib.AddImageFromFile(dir / "a.jpg", 0);
    ASSERT_GT(id, 0);
    lib.SelectImage(id);
    lib.DrawImage(0, 0, 148.5, 105);
    ASSERT_EQ(lib.NewPage(), 1);
    EXPECT_NEAR(lib.PageWidth(), 297, 0.05);
    EXPECT_NEAR(lib.PageHeight(), 210, 0.05);
    lib.DrawImage(148.5, 105, 148.5, 105);
    lib.DrawLine(148.5, 0, 148.5, 210);
    ASSERT_NE(lib.SaveToFile(dir / "out.pdf"), 0);

    const auto pages = ReadDrawnPages(dir / "out.pdf");
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_NEAR(pages[1].widthMm, 297, 0.05);
    EXPECT_NEAR(pages[1].heightMm, 210, 0.05);
    ASSERT_EQ(pages[1].images.size(), 1u);
    ExpectBox(pages[1].images[0], 148.5, 105, 148.5, 105);
    ASSERT_EQ(pages[1].lines.size(), 1u);
    ExpectLine(pages[1].lines[0], 148.5, 0, 148.5, 210);
    const QImage second = RenderWithPoppler(dir, dir / "out.pdf", 2);
    EXPECT_GT(PixelAtMm(second, 220, 160).green(), 200);
    EXPECT_EQ(PixelAtMm(second, 70, 160), QColor(Qt::white));
}

// The merge builds its sheet template this way before drawing on it.
TEST(Compose, TemplateResizedInPlaceThenLoadedAndDrawnOn) {
    auto& lib = Library();
    TempDir dir;
    const std::string templ = dir / "template.pdf";
    ASSERT_EQ(lib.NewDocument(), 1);
    ASSERT_NE(lib.SaveToFile(templ), 0);
    const int handle = lib.DAOpenFile(templ, "");
    ASSERT_GT(handle, 0);
    const int ref = lib.DAFindPage(handle, 1);
    ASSERT_GT(ref, 0);
    lib.DASetPageSize(handle, ref, 297, 210);
    lib.DAAppendFile(handle);
    ASSERT_EQ(lib.LoadFromFile(templ, ""), 1);
    EXPECT_NEAR(lib.PageWidth(), 297, 0.05);
    EXPECT_NEAR(lib.PageHeight(), 210, 0.05);
    lib.SetLineColor(0, 0, 0);
    lib.DrawLine(10, 20, 30, 20);
    ASSERT_EQ(lib.NewPage(), 1);
    lib.DrawLine(40, 50, 40, 60);
    ASSERT_NE(lib.SaveToFile(dir / "out.pdf"), 0);
    lib.DACloseFile(handle);

    const auto pages = ReadDrawnPages(dir / "out.pdf");
    ASSERT_EQ(pages.size(), 2u);
    for (const auto& page : pages) {
        EXPECT_NEAR(page.widthMm, 297, 0.05);
        EXPECT_NEAR(page.heightMm, 210, 0.05);
        ASSERT_EQ(page.lines.size(), 1u);
    }
    ExpectLine(pages[0].lines[0], 10, 20, 30, 20);
    ExpectLine(pages[1].lines[0], 40, 50, 40, 60);
}

TEST(Compose, OnlyCompleteDecodableImagesGetAnId) {
    auto& lib = Library();
    TempDir dir;
    const std::string png = SolidImage(64, 48, Qt::blue, "PNG", kQuality);
    const std::string jpg = SolidImage(64, 48, Qt::red, "JPEG", kQuality);
    WriteFile(dir / "empty.png", "");
    WriteFile(dir / "garbage.png", "this is not an image at all");
    WriteFile(dir / "cut.png", png.substr(0, png.size() / 2));
    WriteFile(dir / "cut.jpg", jpg.substr(0, jpg.size() / 2));
    WriteFile(dir / "crc.png", std::string(png).replace(40, 1, "\x55"));
    ASSERT_EQ(lib.NewDocument(), 1);
    for (const char* name :
         {"missing.png", "empty.png", "garbage.png", "cut.png", "cut.jpg", "crc.png"}) {
        EXPECT_EQ(lib.AddImageFromFile(dir / name, 0), 0) << name;
    }
    EXPECT_EQ(lib.AddImageFromFile(dir.path(), 0), 0);

    // PNGs the predictor cannot carry are decoded and stored again.
    QImage palette(30, 20, QImage::Format_Indexed8);
    palette.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255)});
    palette.fill(1);
    WriteFile(dir / "palette.png", Encode(palette, "PNG"));
    QImage alpha(30, 20, QImage::Format_ARGB32);
    alpha.fill(QColor(0, 255, 0, 128));
    WriteFile(dir / "alpha.png", Encode(alpha, "PNG"));
    WriteFile(dir / "grey.png",
              SolidImage(30, 20, Qt::gray, "PNG", kQuality, QImage::Format_Grayscale8));
    int x = 10;
    for (const char* name : {"palette.png", "alpha.png", "grey.png"}) {
        const int id = lib.AddImageFromFile(dir / name, 0);
        ASSERT_GT(id, 0) << name;
        lib.SelectImage(id);
        lib.DrawImage(x, 10, 30, 20);
        x += 40;
    }
    ASSERT_NE(lib.SaveToFile(dir / "out.pdf"), 0);
    const auto pages = ReadDrawnPages(dir / "out.pdf");
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].images.size(), 3u);
    EXPECT_EQ(pages[0].images[0].decodeParms, "");
    EXPECT_NE(pages[0].images[2].decodeParms.find("/Colors 1"), std::string::npos);
    const QImage page = RenderWithPoppler(dir, dir / "out.pdf", 1);
    EXPECT_EQ(PixelAtMm(page, 25, 20), QColor(Qt::blue));
    const QColor blended = PixelAtMm(page, 65, 20);  // half green over white
    EXPECT_GT(blended.green(), 240);
    EXPECT_NEAR(blended.red(), 127, 12);
}

TEST(Compose, FailedSaveReportsZeroAndKeepsThePreviousFile) {
    auto& lib = Library();
    TempDir dir;
    ASSERT_EQ(lib.NewDocument(), 1);
    ASSERT_EQ(mkdir((dir / "folder.pdf").c_str(), 0755), 0);
    EXPECT_EQ(lib.SaveToFile(dir / "folder.pdf"), 0);
    EXPECT_EQ(lib.SaveToFile(dir / "no/such/folder/out.pdf"), 0);
    EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"folder.pdf"});

    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    ASSERT_EQ(mkdir((dir / "ro").c_str(), 0755), 0);
    WriteFile(dir / "ro/out.pdf", "previous");
    chmod((dir / "ro").c_str(), 0555);
    EXPECT_EQ(lib.SaveToFile(dir / "ro/out.pdf"), 0);
    chmod((dir / "ro").c_str(), 0755);
    EXPECT_EQ(ReadFile(dir / "ro/out.pdf"), "previous");
}

// Image data goes into the PDF as it is, so it must hold the whole image:
// data cut short or damaged is refused even when every chunk and CRC is sound.
TEST(Compose, ImageDataMustInflateToTheWholeImage) {
    auto& lib = Library();
    TempDir dir;
    WriteBlankPdf(dir / "page.pdf", 595, 420);
    const int handle = lib.DAOpenFileReadOnly(dir / "page.pdf", "");
    ASSERT_GT(handle, 0);
    ASSERT_EQ(lib.DARenderPageToFile(handle, lib.DAFindPage(handle, 1), 5, 72, dir / "0.png"), 1);
    lib.DACloseFile(handle);
    ASSERT_EQ(lib.NewDocument(), 1);
    EXPECT_GT(lib.AddImageFromFile(dir / "0.png", 0), 0);

    const std::string png = ReadFile(dir / "0.png");
    for (const std::string& bad : {WithShortIdat(png, 20), WithDamagedIdat(png)}) {
        ASSERT_NE(bad, png);
        WriteFile(dir / "0.png", bad);
        ASSERT_EQ(lib.NewDocument(), 1);
        EXPECT_EQ(lib.AddImageFromFile(dir / "0.png", 0), 0) << bad.size();
    }
    WriteFile(dir / "0.png", png);
    ASSERT_EQ(lib.NewDocument(), 1);
    EXPECT_GT(lib.AddImageFromFile(dir / "0.png", 0), 0);
}

// Image data stays in its file until the save; a file that changed or went
// in between fails the save instead of putting another picture on the sheet.
TEST(Compose, ImagesChangedBeforeTheSaveFailIt) {
    auto& lib = Library();
    TempDir dir;
    WriteFile(dir / "a.png", SolidImage(64, 48, Qt::blue, "PNG", kQuality));
    WriteFile(dir / "b.jpg", SolidImage(64, 48, Qt::red, "JPEG", kQuality));
    for (const char* changed : {"a.png", "b.jpg"}) {
        for (const bool removed : {false, true}) {
            WriteFile(dir / "out.pdf", "previous");
            ASSERT_EQ(lib.NewDocument(), 1);
            for (const char* name : {"a.png", "b.jpg"}) {
                const int id = lib.AddImageFromFile(dir / name, 0);
                ASSERT_GT(id, 0) << name;
                lib.SelectImage(id);
                lib.DrawImage(10, 10, 64, 48);
            }
            const std::string original = ReadFile(dir / changed);
            if (removed)
                RemoveTree(dir / changed);
            else
                WriteFile(dir / changed, SolidImage(64, 48, Qt::green,
                                                    changed[2] == 'p' ? "PNG" : "JPEG", kQuality));
            EXPECT_EQ(lib.SaveToFile(dir / "out.pdf"), 0) << changed << removed;
            EXPECT_EQ(ReadFile(dir / "out.pdf"), "previous");
            WriteFile(dir / changed, original);
            // Put back as it was, the same document saves.
            EXPECT_NE(lib.SaveToFile(dir / "out.pdf"), 0) << changed << removed;
            EXPECT_EQ(ReadDrawnPages(dir / "out.pdf").at(0).images.size(), 2u);
        }
    }
}
