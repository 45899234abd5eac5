#include "compose/image_embed.h"

#include <libdeflate.h>
#include <png.h>
#include <zlib.h>
#include <qpdf/Pipeline.hh>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <utility>
#include <vector>

namespace pdfax {
namespace {

// Decoded bitmaps above this are refused rather than risk exhausting memory.
constexpr std::uint64_t kMaxDecodedBytes = 500ull * 1024 * 1024;

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return false;
    const std::streamoff size = in.tellg();
    if (size < 0)
        return false;
    bytes.resize(static_cast<std::size_t>(size));
    in.seekg(0);
    return bytes.empty() || static_cast<bool>(in.read(bytes.data(), size));
}

std::uint32_t Be16(const unsigned char* p) {
    return (std::uint32_t(p[0]) << 8) | p[1];
}
std::uint32_t Be32(const unsigned char* p) {
    return (Be16(p) << 16) | Be16(p + 2);
}

QPDFObjectHandle ImageDict(int width, int height, const char* colorSpace, int bits) {
    auto dict = QPDFObjectHandle::newDictionary();
    dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
    dict.replaceKey("/Width", QPDFObjectHandle::newInteger(width));
    dict.replaceKey("/Height", QPDFObjectHandle::newInteger(height));
    dict.replaceKey("/ColorSpace", QPDFObjectHandle::newName(colorSpace));
    dict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(bits));
    return dict;
}

// A stream whose data is already encoded with `filter`: qpdf keeps the bytes.
QPDFObjectHandle EncodedStream(QPDF& pdf, QPDFObjectHandle dict, std::string data,
                               const char* filter, QPDFObjectHandle parms) {
    auto stream = pdf.newStream();
    stream.replaceStreamData(std::move(data), QPDFObjectHandle::newName(filter), parms);
    auto streamDict = stream.getDict();
    for (const auto& key : dict.getKeys())
        streamDict.replaceKey(key, dict.getKey(key));
    return stream;
}

// ---- PNG ----------------------------------------------------------------

struct PngInfo {
    std::uint32_t width = 0, height = 0;
    int depth = 0, colorType = 0, interlace = 0;
    bool transparency = false;
    std::string idat;
    // Where each IDAT chunk's data lies in the file: offset and length.
    std::vector<std::pair<std::size_t, std::size_t>> idatRanges;
};

// Walks the chunks, checking every CRC; false for anything malformed or cut short.
bool ParsePng(const std::string& bytes, PngInfo& info) {
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    if (n < 8 || std::memcmp(p, kSignature, 8) != 0)
        return false;
    std::size_t pos = 8;
    bool first = true;
    while (pos + 12 <= n) {
        const std::uint32_t length = Be32(p + pos);
        if (length > n - pos - 12)
            return false;
        const unsigned char* type = p + pos + 4;
        const unsigned char* data = type + 4;
        const auto crc = crc32(crc32(0, nullptr, 0), type, length + 4);
        if (crc != Be32(data + length))
            return false;
        if (first != (std::memcmp(type, "IHDR", 4) == 0))
            return false;
        if (first) {
            if (length != 13)
                return false;
            info.width = Be32(data);
            info.height = Be32(data + 4);
            info.depth = data[8];
            info.colorType = data[9];
            info.interlace = data[12];
            if (data[10] != 0 || data[11] != 0 || info.interlace > 1)
                return false;
            first = false;
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            info.idat.append(reinterpret_cast<const char*>(data), length);
            info.idatRanges.emplace_back(pos + 8, length);
        } else if (std::memcmp(type, "tRNS", 4) == 0) {
            info.transparency = true;
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            return info.width > 0 && info.height > 0 && info.width < 0x80000000u &&
                   info.height < 0x80000000u && !info.idat.empty();
        }
        pos += 12 + length;
    }
    return false;
}

// ---- Image data left in its file -------------------------------------------
//
// A document of a thousand invoice images must not hold them all in memory
// until it is saved, so image data the PDF carries unchanged stays in its file
// and is read again while the document is written. It must then be exactly
// the data seen when the image was added; if the file changed or went, the
// save fails rather than carry another picture.

struct FileSlice {
    std::string path;
    // The parts of the file the data is made of, in order; the whole file
    // when empty. For a PNG, the data of its IDAT chunks.
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    std::size_t length = 0;
    std::uint32_t crc = 0;
};

std::uint32_t Crc(const std::string& data) {
    return static_cast<std::uint32_t>(libdeflate_crc32(0, data.data(), data.size()));
}

// The image was checked when it was added; here it need only be the same
// bytes, so its file is read for the ranges it gives and nothing is parsed
// again.
std::string ReadSlice(const FileSlice& slice) {
    std::string bytes;
    if (!ReadWholeFile(slice.path, bytes))
        throw std::runtime_error("image file no longer readable: " + slice.path);
    std::string data;
    if (slice.ranges.empty()) {
        data = std::move(bytes);
    } else {
        data.reserve(slice.length);
        for (const auto& [offset, length] : slice.ranges) {
            if (offset > bytes.size() || length > bytes.size() - offset)
                throw std::runtime_error("image file changed after it was added: " + slice.path);
            data.append(bytes, offset, length);
        }
    }
    if (data.size() != slice.length || Crc(data) != slice.crc)
        throw std::runtime_error("image file changed after it was added: " + slice.path);
    return data;
}

QPDFObjectHandle FileBackedStream(QPDF& pdf, QPDFObjectHandle dict, const std::string& data,
                                  FileSlice slice, const char* filter, QPDFObjectHandle parms) {
    slice.length = data.size();
    slice.crc = Crc(data);
    auto stream = pdf.newStream();
    stream.replaceStreamData(
        [slice](Pipeline* out) {
            const std::string bytes = ReadSlice(slice);
            out->write(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
            out->finish();
        },
        QPDFObjectHandle::newName(filter), parms);
    auto streamDict = stream.getDict();
    for (const auto& key : dict.getKeys())
        streamDict.replaceKey(key, dict.getKey(key));
    return stream;
}

// ---- JPEG ---------------------------------------------------------------

QPDFObjectHandle EmbedJpeg(QPDF& pdf, const std::string& path, const std::string& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    int width = 0, height = 0, components = 0;
    bool adobe = false;
    std::size_t pos = 2;
    std::size_t scanStart = 0;
    while (pos + 4 <= n) {
        if (p[pos] != 0xFF)
            return {};
        while (pos < n && p[pos] == 0xFF)
            ++pos;  // fill bytes
        if (pos >= n)
            return {};
        const unsigned char marker = p[pos++];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8))
            continue;
        if (marker == 0xD9 || pos + 2 > n)
            return {};
        const std::size_t length = Be16(p + pos);
        if (length < 2 || pos + length > n)
            return {};
        const unsigned char* seg = p + pos + 2;
        const bool sof =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (sof) {
            if (length < 8 || seg[0] != 8)
                return {};  // DCTDecode carries 8-bit data only
            height = static_cast<int>(Be16(seg + 1));
            width = static_cast<int>(Be16(seg + 3));
            components = seg[5];
        } else if (marker == 0xEE && length >= 7 && std::memcmp(seg, "Adobe", 5) == 0) {
            adobe = true;
        } else if (marker == 0xDA) {
            scanStart = pos + length;
            break;
        }
        pos += length;
    }
    if (scanStart == 0 || width <= 0 || height <= 0)
        return {};
    if (components != 1 && components != 3 && components != 4)
        return {};
    // A file cut short loses its end-of-image marker; entropy-coded data
    // never contains one, so its absence after the first scan means truncation.
    bool complete = false;
    for (std::size_t i = n; i >= scanStart + 2; --i) {
        if (p[i - 2] == 0xFF && p[i - 1] == 0xD9) {
            complete = true;
            break;
        }
    }
    if (!complete)
        return {};
    const char* space = components == 1   ? "/DeviceGray"
                        : components == 3 ? "/DeviceRGB"
                                          : "/DeviceCMYK";
    auto dict = ImageDict(width, height, space, 8);
    if (components == 4 && adobe) {
        // Adobe's CMYK JPEGs store inverted values.
        auto decode = QPDFObjectHandle::newArray();
        for (int i = 0; i < 4; ++i) {
            decode.appendItem(QPDFObjectHandle::newInteger(1));
            decode.appendItem(QPDFObjectHandle::newInteger(0));
        }
        dict.replaceKey("/Decode", decode);
    }
    return FileBackedStream(pdf, dict, bytes, FileSlice{path, {}}, "/DCTDecode",
                            QPDFObjectHandle::newNull());
}

// Inflates the IDAT data to make sure it holds exactly the rows of the
// image with valid filter bytes.
bool IdatDecodes(const PngInfo& info, int channels) {
    const std::uint64_t rowBytes = std::uint64_t(info.width) * channels + 1;
    const std::uint64_t expected = rowBytes * info.height;
    if (expected > kMaxDecodedBytes * 4)
        return false;
    libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
    if (!inflater)
        return false;
    std::vector<unsigned char> rows(expected);
    std::size_t produced = 0;
    const libdeflate_result result = libdeflate_zlib_decompress(
        inflater, info.idat.data(), info.idat.size(), rows.data(), rows.size(), &produced);
    libdeflate_free_decompressor(inflater);
    if (result != LIBDEFLATE_SUCCESS || produced != expected)
        return false;
    for (std::uint64_t at = 0; at < expected; at += rowBytes) {
        if (rows[at] > 4)
            return false;
    }
    return true;
}

std::string Deflate(const std::string& raw) {
    uLongf size = compressBound(raw.size());
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(raw.data()), raw.size(), 6) != Z_OK) {
        return {};
    }
    out.resize(size);
    return out;
}

// Everything the PDF predictor cannot carry: palette, sub-byte grey, 16-bit,
// interlaced, alpha or tRNS. libpng decodes it to 8-bit channels.
QPDFObjectHandle EmbedDecodedPng(QPDF& pdf, const std::string& bytes) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return {};
    const bool alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    const bool color = (image.format & PNG_FORMAT_FLAG_COLOR) != 0;
    image.format = color ? (alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB)
                         : (alpha ? PNG_FORMAT_GA : PNG_FORMAT_GRAY);
    const std::uint64_t size = std::uint64_t(PNG_IMAGE_SIZE(image));
    if (size == 0 || size > kMaxDecodedBytes) {
        png_image_free(&image);
        return {};
    }
    std::string pixels(size, '\0');
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return {};
    }
    const int channels = PNG_IMAGE_SAMPLE_CHANNELS(image.format);
    const int colorChannels = color ? 3 : 1;
    const std::size_t count = std::size_t(image.width) * image.height;
    std::string colorData, alphaData;
    colorData.reserve(count * colorChannels);
    if (alpha)
        alphaData.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        colorData.append(pixels, i * channels, colorChannels);
        if (alpha)
            alphaData.push_back(pixels[i * channels + colorChannels]);
    }
    const int w = static_cast<int>(image.width), h = static_cast<int>(image.height);
    auto dict = ImageDict(w, h, color ? "/DeviceRGB" : "/DeviceGray", 8);
    if (alpha) {
        auto mask = EncodedStream(pdf, ImageDict(w, h, "/DeviceGray", 8), Deflate(alphaData),
                                  "/FlateDecode", QPDFObjectHandle::newNull());
        dict.replaceKey("/SMask", mask);
    }
    return EncodedStream(pdf, dict, Deflate(colorData), "/FlateDecode",
                         QPDFObjectHandle::newNull());
}

QPDFObjectHandle EmbedPng(QPDF& pdf, const std::string& path, const std::string& bytes) {
    PngInfo info;
    if (!ParsePng(bytes, info))
        return {};
    const bool direct = info.depth == 8 && (info.colorType == 0 || info.colorType == 2) &&
                        info.interlace == 0 && !info.transparency;
    if (!direct)
        return EmbedDecodedPng(pdf, bytes);
    const int channels = info.colorType == 2 ? 3 : 1;
    // The data goes into the PDF as it is, so it must inflate to exactly the
    // image's rows: a viewer would show less of a damaged image, or nothing.
    if (!IdatDecodes(info, channels))
        return {};
    const int w = static_cast<int>(info.width), h = static_cast<int>(info.height);
    auto parms = QPDFObjectHandle::newDictionary();
    parms.replaceKey("/Predictor", QPDFObjectHandle::newInteger(15));
    parms.replaceKey("/Colors", QPDFObjectHandle::newInteger(channels));
    parms.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(8));
    parms.replaceKey("/Columns", QPDFObjectHandle::newInteger(w));
    auto dict = ImageDict(w, h, channels == 3 ? "/DeviceRGB" : "/DeviceGray", 8);
    return FileBackedStream(pdf, dict, info.idat, FileSlice{path, info.idatRanges}, "/FlateDecode",
                            parms);
}

}  // namespace

QPDFObjectHandle EmbedImageFile(QPDF& pdf, const std::string& path) {
    std::string bytes;
    if (path.empty() || !ReadWholeFile(path, bytes) || bytes.size() < 8)
        return {};
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    if (p[0] == 0xFF && p[1] == 0xD8)
        return EmbedJpeg(pdf, path, bytes);
    if (p[0] == 0x89 && p[1] == 'P')
        return EmbedPng(pdf, path, bytes);
    return {};
}

}  // namespace pdfax
