#include "render/code_reader.h"

#include <ZXing/ReadBarcode.h>
#include <ZXing/TextUtfEncoding.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace pdfax {
namespace {

// Room around an image, for the quiet zone a reader needs.
constexpr double kImageMargin = 0.15;

// `area` of `bitmap` in grey on white, one pixel of every `step` x `step`:
// codes on invoices are black on white, and their modules span several
// pixels even at half the resolution. Where the page is transparent the
// paper's white shows.
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
            int grey = (qRed(pixel) * 77 + qGreen(pixel) * 150 + qBlue(pixel) * 29) >> 8;
            if (!premultiplied)
                grey = grey * alpha / 255;
            out[x] = static_cast<std::uint8_t>(grey + 255 - alpha);
        }
    }
    return grey;
}

// Where `area` (points on the page as shown before turning) lies in the
// bitmap of the page turned clockwise by `turn`, with a margin around it.
QRect PixelsOf(const PageArea& area, const QImage& bitmap, double dpi, int turn, double margin) {
    const double scale = dpi / 72.0;
    const bool turned = turn == 90 || turn == 270;
    const double width = (turned ? bitmap.height() : bitmap.width()) / scale;
    const double height = (turned ? bitmap.width() : bitmap.height()) / scale;
    double left = area.left - margin, top = area.top - margin;
    const double right = area.left + area.width + margin, bottom = area.top + area.height + margin;
    double x = left, y = top, w = right - left, h = bottom - top;
    switch (turn) {
        case 90:
            x = height - bottom, y = left, std::swap(w, h);
            break;
        case 180:
            x = width - right, y = height - bottom;
            break;
        case 270:
            x = top, y = width - right, std::swap(w, h);
            break;
        default:
            break;
    }
    return QRect(static_cast<int>(x * scale), static_cast<int>(y * scale),
                 static_cast<int>(w * scale), static_cast<int>(h * scale))
        .intersected(bitmap.rect());
}

// Invoice codes are black on white paper: a fixed threshold reads them and
// is the fastest way to. The harder way averages the neighbourhood of each
// pixel instead, looks closer and at the image scaled down too, for codes
// that are grey, small, large or on a tinted background. A QR code's finder
// patterns are found in any orientation: turning the image would only read
// a page without a code twice more.
std::string Decode(const QImage& argb, QRect area, int step, bool harder) {
    int width = 0, height = 0;
    const std::vector<std::uint8_t> grey = GreyImage(argb, area, step, width, height);
    if (width == 0 || height == 0)
        return {};
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode);
    hints.setTryHarder(harder);
    hints.setTryRotate(false);
    hints.setTryDownscale(harder);
    hints.setMaxNumberOfSymbols(1);
    hints.setBinarizer(harder ? ZXing::Binarizer::LocalAverage : ZXing::Binarizer::FixedThreshold);
    const ZXing::Result result =
        ZXing::ReadBarcode({grey.data(), width, height, ZXing::ImageFormat::Lum}, hints);
    return result.isValid() ? ZXing::TextUtfEncoding::ToUtf8(result.text()) : std::string();
}

bool Accepted(const PageArea& image, const CodeSearch& search) {
    const double side = std::max(image.width, image.height);
    return std::min(image.width, image.height) >= search.minImageSide &&
           side <= search.maxImageSide && image.width > 0 &&
           std::fabs(image.width - image.height) <= search.squareTolerance * image.width;
}

// `region` in points on the page as shown before turning.
PageArea AreaOf(const PageRegion& region, const QImage& bitmap, double dpi, int turn) {
    const double scale = dpi / 72.0;
    const bool turned = turn == 90 || turn == 270;
    const double width = (turned ? bitmap.height() : bitmap.width()) / scale;
    const double height = (turned ? bitmap.width() : bitmap.height()) / scale;
    return {region.left * width, region.top * height, region.width * width, region.height * height};
}

// Pixels of the bitmap taken per pixel read, for about `wanted` dpi.
int StepFor(double dpi, double wanted) {
    return wanted > 0 ? std::max(1, static_cast<int>(dpi / wanted)) : 1;
}

std::string ReadRegions(const QImage& argb, double dpi, int turn,
                        const std::vector<PageRegion>& regions, double wantedDpi, bool harder) {
    const int step = StepFor(dpi, wantedDpi);
    for (const PageRegion& region : regions) {
        const QRect pixels = PixelsOf(AreaOf(region, argb, dpi, turn), argb, dpi, turn, 0);
        if (std::string code = Decode(argb, pixels, step, harder); !code.empty())
            return code;
    }
    return {};
}

}  // namespace

std::string ReadQrCode(const QImage& bitmap, double dpi, const CodePlaces& places) {
    if (bitmap.isNull() || dpi <= 0)
        return {};
    const bool usable = bitmap.format() == QImage::Format_ARGB32 ||
                        bitmap.format() == QImage::Format_ARGB32_Premultiplied;
    const QImage argb = usable ? bitmap : bitmap.convertToFormat(QImage::Format_ARGB32);
    for (const PageArea& area : places.images) {
        if (!Accepted(area, places.search))
            continue;
        const QRect pixels = PixelsOf(area, argb, dpi, places.turn, kImageMargin * area.width);
        if (std::string code = Decode(argb, pixels, 1, false); !code.empty())
            return code;
    }
    const CodeSearch& search = places.search;
    if (std::string code =
            ReadRegions(argb, dpi, places.turn, search.regions, search.regionDpi, false);
        !code.empty())
        return code;
    return ReadRegions(argb, dpi, places.turn, search.harderRegions, search.harderDpi, true);
}

}  // namespace pdfax
