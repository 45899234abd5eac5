#include "pdf_images.h"

#include <zlib.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include "bounds.h"
#include "error_words.h"

namespace ofd {
namespace {

QPDFObjectHandle Name(const char* name) {
    return QPDFObjectHandle::newName(name);
}

bool Starts(const std::string& bytes, const char* magic, std::size_t length) {
    return bytes.size() >= length && bytes.compare(0, length, magic, length) == 0;
}

std::optional<Error> CheckSize(long long width, long long height, const std::string& entry) {
    if (width <= 0 || height <= 0)
        return Fail(kWordsImageBad, entry + ": no size");
    if (width > kMaxImageSide || height > kMaxImageSide || width * height > kMaxImagePixels)
        return Fail(kWordsImageTooLarge,
                    entry + ": " + std::to_string(width) + " x " + std::to_string(height));
    return std::nullopt;
}

QPDFObjectHandle ImageDict(int width, int height, const char* colorSpace, int bits) {
    auto dict = QPDFObjectHandle::newDictionary();
    dict.replaceKey("/Type", Name("/XObject"));
    dict.replaceKey("/Subtype", Name("/Image"));
    dict.replaceKey("/Width", QPDFObjectHandle::newInteger(width));
    dict.replaceKey("/Height", QPDFObjectHandle::newInteger(height));
    dict.replaceKey("/ColorSpace", Name(colorSpace));
    dict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(bits));
    return dict;
}

QPDFObjectHandle Stream(QPDF& pdf, std::string data, QPDFObjectHandle dict, const char* filter) {
    dict.replaceKey("/Filter", Name(filter));
    auto stream = QPDFObjectHandle::newStream(&pdf, std::move(data));
    // Keep the stream's own keys (/Length) and add ours.
    for (const auto& key : dict.getKeys())
        stream.getDict().replaceKey(key, dict.getKey(key));
    return stream;
}

// Pixels compress fast at the lowest level; in memory, speed counts more
// than size.
std::string Deflate(const std::string& raw) {
    uLongf length = compressBound(static_cast<uLong>(raw.size()));
    std::string out(length, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &length,
                  reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()),
                  1) != Z_OK)
        return {};
    out.resize(length);
    return out;
}

// A JBIG2 file as PDF wants it: the segments without the file header. Only
// the usual layout is taken: sequential segments, the page information
// first, which gives the size.
std::variant<QPDFObjectHandle, Error> Jbig2(QPDF& pdf, const std::string& bytes,
                                            const std::string& entry) {
    auto u32 = [&](std::size_t at) {
        return (std::uint32_t(std::uint8_t(bytes[at])) << 24) |
               (std::uint32_t(std::uint8_t(bytes[at + 1])) << 16) |
               (std::uint32_t(std::uint8_t(bytes[at + 2])) << 8) | std::uint8_t(bytes[at + 3]);
    };
    if (bytes.size() < 13 + 11 + 8)
        return Fail(kWordsImageBad, entry + ": JBIG2 too short");
    const unsigned flags = std::uint8_t(bytes[8]);
    const std::size_t start = (flags & 2) ? 9 : 13;
    if (!(flags & 1) || bytes.size() < start + 19)
        return Fail(kWordsImageBad, entry + ": JBIG2 layout not sequential");
    const unsigned segmentFlags = std::uint8_t(bytes[start + 4]);
    const std::size_t pageBytes = (segmentFlags & 0x40) ? 4 : 1;
    const std::size_t data = start + 4 + 1 + 1 + pageBytes + 4;
    if ((segmentFlags & 0x3F) != 48 || (std::uint8_t(bytes[start + 5]) >> 5) != 0 ||
        bytes.size() < data + 8)
        return Fail(kWordsImageBad, entry + ": JBIG2 does not start with the page");
    const long long width = u32(data), height = u32(data + 4);
    if (auto error = CheckSize(width, height, entry))
        return *error;
    auto dict = ImageDict(static_cast<int>(width), static_cast<int>(height), "/DeviceGray", 1);
    return Stream(pdf, bytes.substr(start), dict, "/JBIG2Decode");
}

std::variant<QPDFObjectHandle, Error> Decoded(QPDF& pdf, const std::string& bytes,
                                              const std::string& entry) {
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (auto error = CheckSize(size.width(), size.height(), entry))
        return *error;
    const bool jpeg = reader.format() == "jpeg";
    const QImage::Format format = reader.imageFormat();
    if (jpeg && (format == QImage::Format_Grayscale8 || format == QImage::Format_RGB32))
        return Stream(
            pdf, bytes,
            ImageDict(size.width(), size.height(),
                      format == QImage::Format_Grayscale8 ? "/DeviceGray" : "/DeviceRGB", 8),
            "/DCTDecode");
    QImage image = reader.read();
    if (image.isNull())
        return Fail(kWordsImageBad, entry + ": " + reader.errorString().toStdString());
    const bool alpha = image.hasAlphaChannel();
    const bool grey = image.isGrayscale();
    image = image.convertToFormat(alpha  ? QImage::Format_RGBA8888
                                  : grey ? QImage::Format_Grayscale8
                                         : QImage::Format_RGB888);
    const int w = image.width(), h = image.height(), channels = alpha ? 4 : grey ? 1 : 3;
    std::string colour, mask;
    colour.reserve(std::size_t(w) * h * (alpha ? 3 : channels));
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const char*>(image.constScanLine(y));
        if (!alpha) {
            colour.append(row, std::size_t(w) * channels);
            continue;
        }
        for (int x = 0; x < w; ++x) {
            colour.append(row + 4 * x, 3);
            mask += row[4 * x + 3];
        }
    }
    auto dict = ImageDict(w, h, grey && !alpha ? "/DeviceGray" : "/DeviceRGB", 8);
    if (alpha)
        dict.replaceKey("/SMask", Stream(pdf, Deflate(mask), ImageDict(w, h, "/DeviceGray", 8),
                                         "/FlateDecode"));
    return Stream(pdf, Deflate(colour), dict, "/FlateDecode");
}

}  // namespace

std::variant<QPDFObjectHandle, Error> MakeImage(QPDF& pdf, const std::string& bytes,
                                                const std::string& entry) {
    if (Starts(bytes, "\x97JB2\r\n\x1a\n", 8))
        return Jbig2(pdf, bytes, entry);
    return Decoded(pdf, bytes, entry);
}

}  // namespace ofd
