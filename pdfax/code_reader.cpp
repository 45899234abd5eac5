#include "code_reader.h"

#include <ZXing/ReadBarcode.h>
#include <ZXing/TextUtfEncoding.h>

#include <cstdint>
#include <vector>

namespace pdfax {
namespace {

// Invoices print their QR code in the left part of the page: the VAT and
// fully digital invoices at the top left, toll bills at the bottom left.
// Only that part is searched; a page is a few million pixels, and reading
// all of them would cost a merge more than the code is worth.
constexpr double kCodeColumn = 0.4;

// The part of `bitmap` where the page's left column came to lie after the
// page was turned clockwise by `turn` degrees for rendering.
QRect CodeColumn(const QImage& bitmap, int turn) {
    const int w = bitmap.width(), h = bitmap.height();
    const int across = static_cast<int>(w * kCodeColumn), down = static_cast<int>(h * kCodeColumn);
    switch (turn) {
        case 90:
            return {0, 0, w, down};
        case 180:
            return {w - across, 0, across, h};
        case 270:
            return {0, h - down, w, down};
        default:
            return {0, 0, across, h};
    }
}

// `area` of `bitmap` in grey on white, one pixel of every `step` x `step`:
// codes on invoices are black on white, and their modules span several
// pixels even at half the resolution. The green channel is the grey, as on
// paper; where the page is transparent the paper's white shows.
std::vector<std::uint8_t> GreyImage(const QImage& bitmap, QRect area, int step, int& width,
                                    int& height) {
    const bool premultiplied = bitmap.format() == QImage::Format_ARGB32_Premultiplied;
    width = area.width() / step;
    height = area.height() / step;
    std::vector<std::uint8_t> grey(std::size_t(width) * height);
    for (int y = 0; y < height; ++y) {
        const auto* row =
            reinterpret_cast<const QRgb*>(bitmap.constScanLine(area.top() + y * step)) +
            area.left();
        std::uint8_t* out = grey.data() + std::size_t(y) * width;
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = row[x * step];
            const int alpha = qAlpha(pixel);
            const int green = premultiplied ? qGreen(pixel) : qGreen(pixel) * alpha / 255;
            out[x] = static_cast<std::uint8_t>(green + 255 - alpha);
        }
    }
    return grey;
}

}  // namespace

std::string ReadQrCode(const QImage& bitmap, double dpi, int turn) {
    if (bitmap.isNull())
        return {};
    const bool usable = bitmap.format() == QImage::Format_ARGB32 ||
                        bitmap.format() == QImage::Format_ARGB32_Premultiplied;
    const QImage argb = usable ? bitmap : bitmap.convertToFormat(QImage::Format_ARGB32);
    int width = 0, height = 0;
    const std::vector<std::uint8_t> grey =
        GreyImage(argb, CodeColumn(argb, turn), dpi > 200 ? 2 : 1, width, height);
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
