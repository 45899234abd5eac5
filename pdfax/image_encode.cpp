#include "image_encode.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

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

bool WriteJpeg(const RgbImage& image, int quality, unsigned char** buffer, unsigned long* size) {
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
    cinfo.image_width = static_cast<JDIMENSION>(image.width);
    cinfo.image_height = static_cast<JDIMENSION>(image.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t stride = std::size_t(image.width) * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.pixels.data() + stride * cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

bool Valid(const RgbImage& image) {
    return image.width > 0 && image.height > 0 &&
           image.pixels.size() == std::size_t(image.width) * image.height * 3;
}

}  // namespace

std::string EncodePng(const RgbImage& image, const PngOptions& options) {
    if (!Valid(image))
        return {};
    std::string out;
    out.reserve(image.pixels.size() / 16);
    if (!WritePng(image, options, &out))
        return {};
    return out;
}

std::string EncodeJpeg(const RgbImage& image, int quality) {
    if (!Valid(image))
        return {};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = WriteJpeg(image, quality, &buffer, &size);
    std::string out;
    if (ok && buffer)
        out.assign(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return out;
}

}  // namespace pdfax
