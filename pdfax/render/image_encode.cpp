#include "render/image_encode.h"

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
// level 2, in IDAT chunks. On rendered invoices igzip takes a tenth of the
// time of zlib's or libdeflate's fastest levels, for files about a tenth
// larger than zlib's.

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

// Rows go into igzip a band at a time and its output into IDAT chunks as it
// fills them, so a page never exists whole in RGB.
class IdatWriter {
public:
    explicit IdatWriter(std::string& out)
        : out_(out), level_(ISAL_DEF_LVL2_LARGE), chunk_(kIdatChunkBytes) {
        isal_deflate_init(&stream_);
        stream_.level = 2;
        stream_.level_buf = level_.data();
        stream_.level_buf_size = static_cast<std::uint32_t>(level_.size());
        stream_.gzip_flag = IGZIP_ZLIB;
        stream_.flush = NO_FLUSH;
        Rewind();
    }

    bool Add(const std::uint8_t* data, std::size_t size, bool last) {
        stream_.next_in = const_cast<std::uint8_t*>(data);
        stream_.avail_in = static_cast<std::uint32_t>(size);
        stream_.end_of_stream = last ? 1 : 0;
        do {
            if (isal_deflate(&stream_) != COMP_OK)
                return false;
            if (stream_.avail_out == 0)
                Flush();
        } while (stream_.avail_in > 0 || (last && stream_.internal_state.state != ZSTATE_END));
        if (last)
            Flush();
        return true;
    }

private:
    void Rewind() {
        stream_.next_out = chunk_.data();
        stream_.avail_out = static_cast<std::uint32_t>(chunk_.size());
    }
    void Flush() {
        const std::size_t length = chunk_.size() - stream_.avail_out;
        if (length > 0)
            AppendChunk(out_, "IDAT", chunk_.data(), length);
        Rewind();
    }

    std::string& out_;
    std::vector<std::uint8_t> level_;
    std::vector<std::uint8_t> chunk_;
    isal_zstream stream_;
};

bool WritePngRows(int width, int height, const RgbRows& rows, std::string& out) {
    // Bands of about a megabyte: big enough for igzip's speed, small
    // beside the page.
    const std::size_t stride = std::size_t(width) * 3 + 1;
    const int bandRows = static_cast<int>(std::max<std::size_t>(1, (1 << 20) / stride));
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
    std::vector<std::uint8_t> band(stride * std::size_t(bandRows));
    for (int y = 0; y < height; y += bandRows) {
        const int count = std::min(bandRows, height - y);
        for (int i = 0; i < count; ++i) {
            std::uint8_t* row = band.data() + stride * std::size_t(i);
            row[0] = 0;  // filter type: none
            rows(y + i, row + 1);
        }
        if (!idat.Add(band.data(), stride * std::size_t(count), y + count == height))
            return false;
    }
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
