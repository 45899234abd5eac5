// Pixel sizes of rendered images, file tests and the rounding helper.
#include "image_measure.h"
#include "test_support.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

using namespace vellumark;
using namespace vellumark::testing;

namespace {

std::string Encoded(int w, int h, const char* format) {
    QImage image(w, h, QImage::Format_RGB888);
    image.fill(Qt::white);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 92);
    return bytes.toStdString();
}

}  // namespace

TEST(ImageMeasure, MeasuresPngAndJpegDataAndPaths) {
    const std::string png = Encoded(2480, 1654, "PNG");
    const std::string jpg = Encoded(2480, 3508, "JPEG");
    EXPECT_EQ(ImagePixelHeight(png), 1654);
    EXPECT_EQ(ImagePixelWidth(png), 2480);
    EXPECT_EQ(ImagePixelHeight(jpg), 3508);
    EXPECT_EQ(ImagePixelWidth(jpg), 2480);
    EXPECT_EQ(ImagePixelWidth(QByteArray::fromStdString(png)), 2480);

    TempDir dir;
    WriteFile(dir / "图片 1.png", png);
    EXPECT_EQ(ImagePixelHeight(dir / "图片 1.png"), 1654);
    EXPECT_EQ(ImagePixelWidth(QByteArray::fromStdString(dir / "图片 1.png")), 2480);
}

TEST(ImageMeasure, AnythingButACompleteImageMeasuresZero) {
    const std::string png = Encoded(300, 200, "PNG");
    const std::string jpg = Encoded(300, 200, "JPEG");
    const QImage sample(8, 8, QImage::Format_RGB888);
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    sample.save(&buffer, "BMP");
    for (const std::string& bad :
         {std::string(), std::string("not an image"), png.substr(0, png.size() / 2),
          png.substr(0, png.size() - 12), jpg.substr(0, jpg.size() / 2),
          jpg.substr(0, jpg.size() - 2), std::string(png.size(), '\0'), bmp.toStdString()}) {
        EXPECT_EQ(ImagePixelHeight(bad), 0);
        EXPECT_EQ(ImagePixelWidth(bad), 0);
    }
    TempDir dir;
    EXPECT_EQ(ImagePixelHeight(dir.path()), 0);  // a folder is neither path nor data
    EXPECT_EQ(ImagePixelHeight(dir / "missing.png"), 0);
}

TEST(ImageMeasure, FileExistsWideOnlyForFiles) {
    TempDir dir;
    WriteFile(dir / "a.pdf", "x");
    EXPECT_TRUE(FileExistsWide(dir / "a.pdf"));
    EXPECT_FALSE(FileExistsWide(dir.path()));
    EXPECT_FALSE(FileExistsWide(dir / "missing.pdf"));
    EXPECT_FALSE(FileExistsWide(""));
}

TEST(ImageMeasure, RoundUpWithTolerance) {
    EXPECT_EQ(RoundUp(5.0 / 4), 2);
    EXPECT_EQ(RoundUp(4.0 / 4), 1);
    EXPECT_EQ(RoundUp(0.0 / 4), 0);
    EXPECT_EQ(RoundUp(1.5), 2);
    EXPECT_EQ(RoundUp(2 + 5e-8), 2);
    EXPECT_EQ(RoundUp(2 + 2e-7), 3);
    EXPECT_EQ(RoundUp(std::nan("")), 0);
}
