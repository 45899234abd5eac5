#include "code_reader.h"

#include <ZXing/ReadBarcode.h>
#include <ZXing/TextUtfEncoding.h>

#include <cstdint>
#include <vector>

namespace pdfax {
namespace {

// The grey a pixel shows on white paper: 255 where nothing is drawn.
int GreyOnWhite(QRgb pixel) {
    const int alpha = qAlpha(pixel);
    const int grey = (qRed(pixel) * 77 + qGreen(pixel) * 150 + qBlue(pixel) * 29) >> 8;
    // Premultiplied: the colour already carries its alpha.
    return grey + (255 - alpha);
}

// `bitmap` in grey on white, every `step` x `step` pixels averaged into one.
std::vector<std::uint8_t> GreyImage(const QImage& bitmap, int step, int& width, int& height) {
    width = bitmap.width() / step;
    height = bitmap.height() / step;
    std::vector<std::uint8_t> grey(std::size_t(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int sum = 0;
            for (int dy = 0; dy < step; ++dy) {
                const auto* row =
                    reinterpret_cast<const QRgb*>(bitmap.constScanLine(y * step + dy));
                for (int dx = 0; dx < step; ++dx)
                    sum += GreyOnWhite(row[x * step + dx]);
            }
            grey[std::size_t(y) * width + x] = static_cast<std::uint8_t>(sum / (step * step));
        }
    }
    return grey;
}

}  // namespace

std::string ReadQrCode(const QImage& bitmap, double dpi) {
    if (bitmap.isNull())
        return {};
    const QImage argb = bitmap.format() == QImage::Format_ARGB32_Premultiplied
                            ? bitmap
                            : bitmap.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int width = 0, height = 0;
    const std::vector<std::uint8_t> grey = GreyImage(argb, dpi > 200 ? 2 : 1, width, height);
    if (width == 0 || height == 0)
        return {};
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode);
    hints.setTryHarder(false);
    hints.setTryRotate(false);
    // Invoice codes are black on white paper: a fixed threshold reads them
    // and is the fastest way to.
    hints.setBinarizer(ZXing::Binarizer::FixedThreshold);
    const ZXing::Result result =
        ZXing::ReadBarcode({grey.data(), width, height, ZXing::ImageFormat::Lum}, hints);
    return result.isValid() ? ZXing::TextUtfEncoding::ToUtf8(result.text()) : std::string();
}

}  // namespace pdfax
