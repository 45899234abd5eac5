// Pixel sizes of rendered images, file tests and the rounding helper.
#include "image_measure.h"
#include "test_support.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <gtest/gtest.h>

using namespace vellumark;
using namespace vellumark::testing;

namespace {

std::string Encoded(int w, int h, const char* format) {
    return SolidImage(w, h, Qt::white, format, 92);
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

namespace {

std::string Written(const QImage& image, const char* format, bool progressive = false) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes.toStdString();
}

}  // namespace

// Whatever the renderer or another writer produces, measuring agrees with
// decoding the image.
TEST(ImageMeasure, AgreesWithTheDecoderOnImageKinds) {
    QImage rgb(301, 203, QImage::Format_RGB888);
    rgb.fill(Qt::red);
    const std::vector<QImage> images = {rgb,
                                        rgb.convertToFormat(QImage::Format_ARGB32),
                                        rgb.convertToFormat(QImage::Format_Grayscale8),
                                        rgb.convertToFormat(QImage::Format_Grayscale16),
                                        rgb.convertToFormat(QImage::Format_RGBA64),
                                        rgb.convertToFormat(QImage::Format_Mono),
                                        rgb.convertToFormat(QImage::Format_Indexed8)};
    for (const QImage& image : images) {
        for (const char* format : {"PNG", "JPEG"}) {
            for (bool progressive : {false, true}) {
                const std::string bytes = Written(image, format, progressive);
                const QImage decoded = QImage::fromData(QByteArray::fromStdString(bytes));
                ASSERT_FALSE(decoded.isNull());
                const ImageSize size = ImagePixelSize(bytes);
                EXPECT_EQ(size.width, decoded.width()) << format << " " << image.format();
                EXPECT_EQ(size.height, decoded.height()) << format << " " << image.format();
            }
        }
    }
}

TEST(ImageMeasure, DamagedOrShortPngsMeasureZero) {
    const std::string png = Encoded(640, 480, "PNG");
    ASSERT_EQ(ImagePixelSize(png).width, 640);
    for (size_t cut = 8; cut < png.size(); cut += png.size() / 61)
        EXPECT_EQ(ImagePixelSize(png.substr(0, cut)).height, 0) << "cut at " << cut;

    // One wrong bit in the header, the image data or a CRC.
    const size_t idat = png.find("IDAT");
    for (size_t at : {size_t(16), size_t(29), idat + 10, png.size() - 14}) {
        std::string damaged = png;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x01);
        EXPECT_EQ(ImagePixelSize(damaged).width, 0) << "bit flipped at " << at;
    }
    // Chunks all sound, but the image data ends early: a decoder would fill
    // the missing rows and call it a success.
    EXPECT_EQ(ImagePixelSize(WithShortIdat(png, (png.size() - idat) / 2)).width, 0);
    // IEND must be the last chunk read, not any IEND-looking bytes.
    EXPECT_EQ(ImagePixelSize(png.substr(0, idat - 4) + png.substr(png.size() - 12)).width, 0);
}

TEST(ImageMeasure, ShortJpegsMeasureZero) {
    QImage image(640, 480, QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    for (bool progressive : {false, true}) {
        const std::string jpg = Written(image, "JPEG", progressive);
        ASSERT_EQ(ImagePixelSize(jpg).height, 480);
        for (size_t cut = 2; cut < jpg.size(); cut += jpg.size() / 61)
            EXPECT_EQ(ImagePixelSize(jpg.substr(0, cut)).height, 0) << "cut at " << cut;
        // An end marker before any scan is no image either.
        const size_t scan = jpg.find("\xff\xda");
        EXPECT_EQ(ImagePixelSize(jpg.substr(0, scan) + "\xff\xd9").height, 0);
    }
}
