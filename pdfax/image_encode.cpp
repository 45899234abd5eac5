#include "image_encode.h"

#include <libdeflate.h>
#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace pdfax {
namespace {

// libpng and libjpeg report errors by longjmp; the functions that call them
// hold nothing that needs a destructor between setjmp and the library calls.

void AppendPng(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::string*>(png_get_io_ptr(png));
    out->append(reinterpret_cast<const char*>(data), length);
}

void FlushNothing(png_structp) {}

int PngFilterFlags(int filter) {
    switch (filter) {
        case 0:
            return PNG_FILTER_NONE;
        case 1:
            return PNG_FILTER_SUB;
        case 2:
            return PNG_FILTER_UP;
        case 3:
            return PNG_FILTER_AVG;
        case 4:
            return PNG_FILTER_PAETH;
        default:
            return PNG_ALL_FILTERS;
    }
}

bool WritePng(const RgbImage& image, const PngOptions& options, std::string* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, AppendPng, FlushNothing);
    png_set_compression_level(png, options.level);
    png_set_compression_strategy(png, options.strategy);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PngFilterFlags(options.filter));
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    // Rendered at a known resolution is not recorded: readers go by pixels.
    png_write_info(png, info);
    const std::size_t stride = std::size_t(image.width) * 3;
    for (int y = 0; y < image.height; ++y) {
        png_write_row(png, const_cast<png_bytep>(image.pixels.data() + stride * y));
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void JpegFail(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

void JpegSilent(j_common_ptr, int) {}

// `row` holds width * 3 bytes; it is the caller's so that nothing here needs
// a destructor.
bool WriteJpeg(int width, int height, const RgbRows& rows, int quality, std::uint8_t* row,
               unsigned char** buffer, unsigned long* size) {
    jpeg_compress_struct cinfo{};
    JpegError error{};
    cinfo.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JpegFail;
    error.manager.emit_message = JpegSilent;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, buffer, size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        rows(static_cast<int>(cinfo.next_scanline), row);
        JSAMPROW rowPointer = row;
        jpeg_write_scanlines(&cinfo, &rowPointer, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

// --- PNG without libpng ----------------------------------------------------
//
// Unfiltered rows need none of libpng's machinery, and its checksums are the
// slow byte-at-a-time kind: the rows go straight into a raw deflate stream,
// the zlib wrapper and the chunk checksums come from libdeflate's vectorised
// routines. The data is cut into IDAT chunks as it comes out.

constexpr std::size_t kIdatChunkBytes = 256 * 1024;

void AppendBe32(std::string& out, std::uint32_t value) {
    const char bytes[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    out.append(bytes, 4);
}

void AppendChunk(std::string& out, const char* type, const std::uint8_t* data, std::size_t length) {
    AppendBe32(out, static_cast<std::uint32_t>(length));
    const std::size_t start = out.size();
    out.append(type, 4);
    out.append(reinterpret_cast<const char*>(data), length);
    AppendBe32(out,
               static_cast<std::uint32_t>(libdeflate_crc32(0, out.data() + start, 4 + length)));
}

class RawDeflate {
public:
    RawDeflate() { ready_ = deflateInit2(&z_, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK; }
    ~RawDeflate() {
        if (ready_)
            deflateEnd(&z_);
    }
    RawDeflate(const RawDeflate&) = delete;
    RawDeflate& operator=(const RawDeflate&) = delete;
    bool ready() const { return ready_; }
    z_stream& stream() { return z_; }

private:
    z_stream z_{};
    bool ready_ = false;
};

class IdatWriter {
public:
    explicit IdatWriter(std::string& out) : out_(out), chunk_(kIdatChunkBytes) {
        // zlib header: deflate with a 32 KB window, fastest level.
        chunk_[0] = 0x78;
        chunk_[1] = 0x01;
        z().next_out = chunk_.data() + 2;
        z().avail_out = static_cast<uInt>(chunk_.size() - 2);
    }
    bool ready() const { return deflate_.ready(); }

    bool Add(const std::uint8_t* data, std::size_t length) {
        adler_ = static_cast<std::uint32_t>(libdeflate_adler32(adler_, data, length));
        z().next_in = const_cast<Bytef*>(data);
        z().avail_in = static_cast<uInt>(length);
        while (z().avail_in > 0) {
            if (deflate(&z(), Z_NO_FLUSH) != Z_OK)
                return false;
            if (z().avail_out == 0)
                Flush();
        }
        return true;
    }

    bool Finish() {
        int rc = Z_OK;
        while (rc != Z_STREAM_END) {
            rc = deflate(&z(), Z_FINISH);
            if (rc != Z_OK && rc != Z_STREAM_END)
                return false;
            if (z().avail_out == 0)
                Flush();
        }
        if (z().avail_out < 4)
            Flush();
        const std::uint8_t trailer[4] = {std::uint8_t(adler_ >> 24), std::uint8_t(adler_ >> 16),
                                         std::uint8_t(adler_ >> 8), std::uint8_t(adler_)};
        std::memcpy(z().next_out, trailer, 4);
        z().next_out += 4;
        z().avail_out -= 4;
        Flush();
        return true;
    }

private:
    z_stream& z() { return deflate_.stream(); }
    void Flush() {
        const std::size_t length = chunk_.size() - z().avail_out;
        if (length > 0)
            AppendChunk(out_, "IDAT", chunk_.data(), length);
        z().next_out = chunk_.data();
        z().avail_out = static_cast<uInt>(chunk_.size());
    }

    std::string& out_;
    RawDeflate deflate_;
    std::vector<std::uint8_t> chunk_;
    std::uint32_t adler_ = 1;
};

bool WritePngRows(int width, int height, const RgbRows& rows, std::string& out) {
    const std::size_t stride = std::size_t(width) * 3 + 1;
    out.append("\x89PNG\r\n\x1a\n", 8);
    std::uint8_t header[13] = {};
    const auto put32 = [&](int at, std::uint32_t v) {
        header[at] = std::uint8_t(v >> 24);
        header[at + 1] = std::uint8_t(v >> 16);
        header[at + 2] = std::uint8_t(v >> 8);
        header[at + 3] = std::uint8_t(v);
    };
    put32(0, static_cast<std::uint32_t>(width));
    put32(4, static_cast<std::uint32_t>(height));
    header[8] = 8;  // bits per sample
    header[9] = 2;  // RGB; compression, filter method and interlace stay 0
    AppendChunk(out, "IHDR", header, sizeof header);
    IdatWriter idat(out);
    if (!idat.ready())
        return false;
    std::vector<std::uint8_t> row(stride, 0);  // row[0] is the filter type: none
    for (int y = 0; y < height; ++y) {
        rows(y, row.data() + 1);
        if (!idat.Add(row.data(), row.size()))
            return false;
    }
    if (!idat.Finish())
        return false;
    AppendChunk(out, "IEND", nullptr, 0);
    return true;
}

bool IsDefault(const PngOptions& options) {
    const PngOptions defaults;
    return options.level == defaults.level && options.filter == defaults.filter &&
           options.strategy == defaults.strategy;
}

bool Valid(const RgbImage& image) {
    return image.width > 0 && image.height > 0 &&
           image.pixels.size() == std::size_t(image.width) * image.height * 3;
}

RgbRows RowsOf(const RgbImage& image) {
    const std::size_t stride = std::size_t(image.width) * 3;
    return [&image, stride](int y, std::uint8_t* out) {
        std::memcpy(out, image.pixels.data() + stride * std::size_t(y), stride);
    };
}

}  // namespace

std::string EncodePngRows(int width, int height, const RgbRows& rows) {
    if (width <= 0 || height <= 0 || !rows)
        return {};
    std::string out;
    out.reserve(std::size_t(width) * height * 3 / 16 + 1024);
    if (!WritePngRows(width, height, rows, out))
        return {};
    return out;
}

std::string EncodeJpegRows(int width, int height, const RgbRows& rows, int quality) {
    if (width <= 0 || height <= 0 || !rows)
        return {};
    std::vector<std::uint8_t> row(std::size_t(width) * 3);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = WriteJpeg(width, height, rows, quality, row.data(), &buffer, &size);
    std::string out;
    if (ok && buffer)
        out.assign(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return out;
}

std::string EncodePng(const RgbImage& image, const PngOptions& options) {
    if (!Valid(image))
        return {};
    if (IsDefault(options))
        return EncodePngRows(image.width, image.height, RowsOf(image));
    std::string out;
    out.reserve(image.pixels.size() / 16);
    if (!WritePng(image, options, &out))
        return {};
    return out;
}

std::string EncodeJpeg(const RgbImage& image, int quality) {
    if (!Valid(image))
        return {};
    return EncodeJpegRows(image.width, image.height, RowsOf(image), quality);
}

}  // namespace pdfax
