// Rendered pages encoded: every PNG decodes to exactly its pixels however
// many IDAT chunks it takes, and both ways of feeding the encoders agree.
#include "render/image_encode.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Noise compresses badly, so a modest image spans several IDAT chunks.
pdfax::RgbImage Noise(int width, int height, unsigned seed) {
    pdfax::RgbImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(std::size_t(width) * height * 3);
    for (auto& byte : image.pixels) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(seed >> 16);
    }
    return image;
}

QImage Decode(const std::string& bytes, const char* format) {
    QImage image;
    image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), int(bytes.size()), format);
    return image.convertToFormat(QImage::Format_RGB888);
}

bool SamePixels(const QImage& decoded, const pdfax::RgbImage& image) {
    if (decoded.width() != image.width || decoded.height() != image.height)
        return false;
    for (int y = 0; y < image.height; ++y) {
        if (std::memcmp(decoded.constScanLine(y),
                        image.pixels.data() + std::size_t(y) * image.width * 3,
                        std::size_t(image.width) * 3) != 0)
            return false;
    }
    return true;
}

int CountChunks(const std::string& png, const char* type) {
    int count = 0;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const auto* p = reinterpret_cast<const unsigned char*>(png.data() + at);
        const std::size_t length = std::size_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
        if (png.compare(at + 4, 4, type) == 0)
            ++count;
        at += 12 + length;
    }
    return count;
}

pdfax::RgbRows RowsOf(const pdfax::RgbImage& image) {
    return [&image](int y, std::uint8_t* out) {
        std::memcpy(out, image.pixels.data() + std::size_t(y) * image.width * 3,
                    std::size_t(image.width) * 3);
    };
}

TEST(ImageEncode, PngDecodesToExactlyItsPixels) {
    for (const auto& [w, h] : {std::pair{1, 1}, {3, 2}, {640, 480}, {1200, 900}}) {
        const pdfax::RgbImage image = Noise(w, h, unsigned(w * 31 + h));
        const std::string png = pdfax::EncodePng(image);
        ASSERT_FALSE(png.empty()) << w << "x" << h;
        EXPECT_TRUE(SamePixels(Decode(png, "PNG"), image)) << w << "x" << h;
        EXPECT_EQ(CountChunks(png, "IHDR"), 1);
        EXPECT_EQ(CountChunks(png, "IEND"), 1);
        if (w == 1200) {
            EXPECT_GT(CountChunks(png, "IDAT"), 3);  // about 3 MB of noise
        }
        EXPECT_EQ(pdfax::EncodePngRows(w, h, RowsOf(image)), png);
    }
    // A flat page compresses to little and still decodes.
    pdfax::RgbImage white = Noise(2480, 100, 1);
    std::memset(white.pixels.data(), 255, white.pixels.size());
    EXPECT_TRUE(SamePixels(Decode(pdfax::EncodePng(white), "PNG"), white));
}

TEST(ImageEncode, BothJpegWaysAgree) {
    const pdfax::RgbImage image = Noise(300, 200, 7);
    const std::string jpeg = pdfax::EncodeJpeg(image);
    ASSERT_FALSE(jpeg.empty());
    EXPECT_EQ(pdfax::EncodeJpegRows(300, 200, RowsOf(image)), jpeg);
    EXPECT_EQ(Decode(jpeg, "JPEG").size(), QSize(300, 200));
}

TEST(ImageEncode, RefusesEmptyAndInconsistentImages) {
    pdfax::RgbImage broken = Noise(10, 10, 3);
    broken.pixels.resize(10);
    EXPECT_TRUE(pdfax::EncodePng(broken).empty());
    EXPECT_TRUE(pdfax::EncodeJpeg(broken).empty());
    EXPECT_TRUE(pdfax::EncodePngRows(0, 5, RowsOf(broken)).empty());
    EXPECT_TRUE(pdfax::EncodeJpegRows(5, 0, RowsOf(broken)).empty());
    EXPECT_TRUE(pdfax::EncodePngRows(5, 5, {}).empty());
}

}  // namespace
