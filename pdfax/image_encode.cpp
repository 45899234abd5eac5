#include "image_encode.h"

#include <isa-l/igzip_lib.h>
#include <libdeflate.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>

namespace pdfax {
namespace {

// libjpeg reports errors by longjmp; the function that calls it holds
// nothing that needs a destructor between setjmp and the library calls.

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

// --- PNG -------------------------------------------------------------------
//
// Rendered invoices are mostly flat white, where row filters only cost time:
// the rows go unfiltered into one zlib stream, compressed by ISA-L's igzip at
// level 2, cut into IDAT chunks. On rendered invoices igzip takes a tenth of
// the time of zlib's or libdeflate's fastest levels, for files about a
// tenth larger than zlib's.

constexpr std::size_t kIdatChunkBytes = 256 * 1024;

void AppendBe32(std::string& out, std::uint32_t value) {
    const char bytes[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    out.append(bytes, 4);
}

void AppendChunk(std::string& out, const char* type, const std::uint8_t* data, std::size_t length) {
    AppendBe32(out, static_cast<std::uint32_t>(length));
    const std::size_t start = out.size();
    out.append(type, 4);
    if (length > 0)
        out.append(reinterpret_cast<const char*>(data), length);
    AppendBe32(out,
               static_cast<std::uint32_t>(libdeflate_crc32(0, out.data() + start, 4 + length)));
}

// The rows and their compressed form, kept from one page to the next: pages
// of one run are about the same size, and memory taken anew for each would
// be faulted in anew, a tenth of a page's time.
struct PngBuffers {
    std::vector<std::uint8_t> level = std::vector<std::uint8_t>(ISAL_DEF_LVL2_LARGE);
    std::vector<std::uint8_t> raw;
    std::vector<std::uint8_t> zlib;
};

// `raw` as one zlib stream into `zlib`; the size written, 0 on failure.
std::size_t Compress(PngBuffers& buffers) {
    std::vector<std::uint8_t>& zlib = buffers.zlib;
    // Rendered pages shrink; this is room for any input that does not.
    zlib.resize(buffers.raw.size() + buffers.raw.size() / 8 + 1024);
    isal_zstream stream;
    isal_deflate_init(&stream);
    stream.level = 2;
    stream.level_buf = buffers.level.data();
    stream.level_buf_size = static_cast<std::uint32_t>(buffers.level.size());
    stream.gzip_flag = IGZIP_ZLIB;
    stream.end_of_stream = 1;
    stream.flush = NO_FLUSH;
    stream.next_in = buffers.raw.data();
    stream.avail_in = static_cast<std::uint32_t>(buffers.raw.size());
    stream.next_out = zlib.data();
    stream.avail_out = static_cast<std::uint32_t>(zlib.size());
    if (isal_deflate_stateless(&stream) != COMP_OK)
        return 0;
    return stream.total_out;
}

bool WritePngRows(int width, int height, const RgbRows& rows, std::string& out) {
    thread_local PngBuffers buffers;
    const std::size_t stride = std::size_t(width) * 3 + 1;
    // igzip takes 32-bit sizes.
    if (stride * std::size_t(height) > 0x7FFFFFFFu)
        return false;
    std::vector<std::uint8_t>& raw = buffers.raw;
    raw.resize(stride * std::size_t(height));
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = raw.data() + stride * std::size_t(y);
        row[0] = 0;  // filter type: none
        rows(y, row + 1);
    }
    const std::size_t size = Compress(buffers);
    if (size == 0)
        return false;
    const std::vector<std::uint8_t>& zlib = buffers.zlib;
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
    for (std::size_t at = 0; at < size; at += kIdatChunkBytes)
        AppendChunk(out, "IDAT", zlib.data() + at, std::min(kIdatChunkBytes, size - at));
    AppendChunk(out, "IEND", nullptr, 0);
    return true;
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

std::string EncodePng(const RgbImage& image) {
    if (!Valid(image))
        return {};
    return EncodePngRows(image.width, image.height, RowsOf(image));
}

std::string EncodeJpeg(const RgbImage& image, int quality) {
    if (!Valid(image))
        return {};
    return EncodeJpegRows(image.width, image.height, RowsOf(image), quality);
}

}  // namespace pdfax
