#include "image_probe.h"

#include <libdeflate.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace vellumark {
namespace {

constexpr ProbeResult kBad{ProbeVerdict::kBad, {}};
constexpr ProbeResult kDoubt{ProbeVerdict::kDoubt, {}};

ProbeResult Good(int width, int height) {
    return {ProbeVerdict::kGood, {width, height}};
}

uint32_t Big32(const std::string& bytes, size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

unsigned Big16(const std::string& bytes, size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    return unsigned(p[0]) << 8 | unsigned(p[1]);
}

unsigned char Byte(const std::string& bytes, size_t at) {
    return static_cast<unsigned char>(bytes[at]);
}

// --- PNG -----------------------------------------------------------------

struct PngHeader {
    int width = 0;
    int height = 0;
    uint64_t stride = 0;  // one filter byte and the row's packed samples
};

bool LegalDepth(unsigned colorType, unsigned depth) {
    switch (colorType) {
        case 0:
            return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
        case 3:
            return depth == 1 || depth == 2 || depth == 4 || depth == 8;
        case 2:
        case 4:
        case 6:
            return depth == 8 || depth == 16;
        default:
            return false;
    }
}

ProbeResult ReadIhdr(const std::string& bytes, size_t at, uint32_t length, PngHeader& header) {
    if (length != 13)
        return kBad;
    const uint32_t width = Big32(bytes, at);
    const uint32_t height = Big32(bytes, at + 4);
    const unsigned depth = Byte(bytes, at + 8);
    const unsigned colorType = Byte(bytes, at + 9);
    if (width == 0 || height == 0 || width > 0x7fffffffu || height > 0x7fffffffu ||
        !LegalDepth(colorType, depth) || Byte(bytes, at + 10) != 0 || Byte(bytes, at + 11) != 0 ||
        Byte(bytes, at + 12) > 1)
        return kBad;
    // Palette images need their PLTE checked, interlaced ones their passes
    // counted; neither is what the renderer writes.
    if (colorType == 3 || Byte(bytes, at + 12) == 1)
        return kDoubt;
    const unsigned channels = colorType == 0 ? 1 : colorType == 2 ? 3 : colorType == 4 ? 2 : 4;
    header.width = static_cast<int>(width);
    header.height = static_cast<int>(height);
    header.stride = 1 + (uint64_t(width) * channels * depth + 7) / 8;
    return Good(header.width, header.height);
}

// Inflates the IDAT stream into a small scratch buffer, counting the bytes
// and checking each row's filter type.
class PngRows {
public:
    PngRows() : scratch_(64 * 1024) { ready_ = inflateInit(&stream_) == Z_OK; }
    ~PngRows() {
        if (ready_)
            inflateEnd(&stream_);
    }
    PngRows(const PngRows&) = delete;
    PngRows& operator=(const PngRows&) = delete;

    void Expect(const PngHeader& header) {
        stride_ = header.stride;
        expected_ = uint64_t(header.height) * header.stride;
    }

    bool Feed(const char* data, uint32_t length) {
        if (!ready_ || ended_ || stride_ == 0)
            return false;
        stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        stream_.avail_in = length;
        while (true) {
            stream_.next_out = scratch_.data();
            stream_.avail_out = static_cast<uInt>(scratch_.size());
            const int ret = inflate(&stream_, Z_NO_FLUSH);
            if (ret != Z_OK && ret != Z_STREAM_END && ret != Z_BUF_ERROR)
                return false;
            if (!Count(scratch_.size() - stream_.avail_out))
                return false;
            if (ret == Z_STREAM_END) {
                ended_ = true;
                return stream_.avail_in == 0;
            }
            if (ret == Z_BUF_ERROR || (stream_.avail_in == 0 && stream_.avail_out != 0))
                return true;
        }
    }

    bool Complete() const { return ended_ && produced_ == expected_; }

private:
    bool Count(size_t n) {
        if (produced_ + n > expected_)
            return false;
        const uint64_t end = produced_ + n;
        for (; nextFilter_ < end; nextFilter_ += stride_)
            if (scratch_[nextFilter_ - produced_] > 4)
                return false;
        produced_ = end;
        return true;
    }

    z_stream stream_{};
    std::vector<Bytef> scratch_;
    bool ready_ = false;
    bool ended_ = false;
    uint64_t stride_ = 0;
    uint64_t expected_ = 0;
    uint64_t produced_ = 0;
    uint64_t nextFilter_ = 0;
};

// The usual case in one go: all of the image data inflated at once by
// libdeflate, about three times faster than zlib's streaming inflate. The
// output buffer stays with the thread for the next image of the same size.
constexpr uint64_t kWholeInflateLimit = 256ull * 1024 * 1024;

bool RowsInflateWhole(const std::string& idat, const PngHeader& header) {
    const uint64_t expected = uint64_t(header.height) * header.stride;
    thread_local std::vector<unsigned char> out;
    if (out.size() < expected)
        out.resize(expected);
    libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
    if (!inflater)
        return false;
    size_t used = 0;
    size_t produced = 0;
    const libdeflate_result result = libdeflate_zlib_decompress_ex(
        inflater, idat.data(), idat.size(), out.data(), expected, &used, &produced);
    libdeflate_free_decompressor(inflater);
    bool ok = result == LIBDEFLATE_SUCCESS && used == idat.size() && produced == expected;
    for (uint64_t row = 0; ok && row < expected; row += header.stride)
        ok = out[row] <= 4;
    if (out.size() > 64u * 1024 * 1024)
        std::vector<unsigned char>().swap(out);  // do not keep a huge one around
    return ok;
}

bool IsChunkName(const std::string& bytes, size_t at) {
    for (size_t i = 0; i < 4; ++i) {
        const unsigned char c = Byte(bytes, at + i);
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
            return false;
    }
    return true;
}

ProbeResult ProbePng(const std::string& bytes) {
    PngHeader header;
    PngRows rows;
    bool whole = false;  // inflate the collected data at the end, not as it comes
    std::string idat;
    bool sawData = false;
    size_t pos = 8;
    for (bool first = true;; first = false) {
        if (bytes.size() - pos < 12)
            return kBad;
        const uint32_t length = Big32(bytes, pos);
        if (length > 0x7fffffffu || bytes.size() - pos - 12 < length ||
            !IsChunkName(bytes, pos + 4))
            return kBad;
        const auto* typeAndData = reinterpret_cast<const Bytef*>(bytes.data() + pos + 4);
        if (crc32(crc32(0L, Z_NULL, 0), typeAndData, length + 4) != Big32(bytes, pos + 8 + length))
            return kBad;
        const std::string name = bytes.substr(pos + 4, 4);
        const size_t data = pos + 8;
        pos += 12 + size_t(length);
        if (first != (name == "IHDR"))
            return kBad;
        if (name == "IHDR") {
            const ProbeResult read = ReadIhdr(bytes, data, length, header);
            if (read.verdict != ProbeVerdict::kGood)
                return read;
            rows.Expect(header);
            whole = uint64_t(header.height) * header.stride <= kWholeInflateLimit;
        } else if (name == "IDAT") {
            sawData = true;
            if (whole)
                idat.append(bytes, data, length);
            else if (!rows.Feed(bytes.data() + data, length))
                return kBad;
        } else if (name == "IEND") {
            if (length != 0 || !sawData)
                return kBad;
            if (whole ? !RowsInflateWhole(idat, header) : !rows.Complete())
                return kBad;
            return Good(header.width, header.height);
        } else if ((static_cast<unsigned char>(name[0]) & 0x20) == 0) {
            // Another critical chunk (PLTE, or one unknown here).
            return kDoubt;
        }
    }
}

// --- JPEG ----------------------------------------------------------------

bool IsFrameMarker(unsigned m) {
    return m >= 0xc0 && m <= 0xcf && m != 0xc4 && m != 0xc8 && m != 0xcc;
}

// From the first byte after a scan's header to the marker that ends its
// entropy-coded data (restart markers and stuffed zeros belong to the data);
// npos when the file ends first.
size_t SkipEntropyData(const std::string& bytes, size_t pos) {
    while (true) {
        pos = bytes.find('\xff', pos);
        if (pos == std::string::npos || pos + 1 >= bytes.size())
            return std::string::npos;
        const unsigned next = Byte(bytes, pos + 1);
        if (next == 0x00 || (next >= 0xd0 && next <= 0xd7))
            pos += 2;
        else if (next == 0xff)
            pos += 1;  // fill byte before a marker
        else
            return pos;
    }
}

ProbeResult ProbeJpeg(const std::string& bytes) {
    ImageSize size;
    bool sawFrame = false;
    bool sawTables = false;
    bool sawScan = false;
    size_t pos = 2;
    while (true) {
        if (pos >= bytes.size())
            return kBad;
        if (Byte(bytes, pos) != 0xff)
            return kDoubt;  // stray bytes, which a decoder skips with a warning
        while (pos < bytes.size() && Byte(bytes, pos) == 0xff)
            ++pos;
        if (pos >= bytes.size())
            return kBad;
        const unsigned marker = Byte(bytes, pos++);
        if (marker == 0xd9) {
            if (!sawScan)
                return kBad;
            return Good(size.width, size.height);
        }
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xd0 && marker <= 0xd8))
            return kDoubt;
        if (bytes.size() - pos < 2)
            return kBad;
        const size_t length = Big16(bytes, pos);
        if (length < 2 || bytes.size() - pos < length)
            return kBad;
        const size_t segment = pos + 2;
        pos += length;
        if (IsFrameMarker(marker)) {
            if (sawFrame || length < 8)
                return kDoubt;
            const unsigned components = Byte(bytes, segment + 5);
            if (length != 8 + 3 * size_t(components) || components == 0 || components > 4)
                return kBad;
            size.height = static_cast<int>(Big16(bytes, segment + 1));
            size.width = static_cast<int>(Big16(bytes, segment + 3));
            if (size.width == 0)
                return kBad;
            // Only 8-bit Huffman frames with their height in the header
            // are judged here.
            if (marker > 0xc2 || Byte(bytes, segment) != 8 || size.height == 0)
                return kDoubt;
            sawFrame = true;
        } else if (marker == 0xdb) {
            sawTables = true;
        } else if (marker == 0xdc) {
            return kDoubt;
        } else if (marker == 0xda) {
            if (!sawFrame)
                return kBad;
            if (!sawTables)
                return kDoubt;
            sawScan = true;
            pos = SkipEntropyData(bytes, pos);
            if (pos == std::string::npos)
                return kBad;
        }
    }
}

}  // namespace

ProbeResult ProbeImage(const std::string& bytes) {
    static const char kPngSignature[] = "\x89PNG\r\n\x1a\n";
    if (bytes.size() >= 8 && bytes.compare(0, 8, kPngSignature, 8) == 0)
        return ProbePng(bytes);
    if (bytes.size() >= 4 && Byte(bytes, 0) == 0xff && Byte(bytes, 1) == 0xd8)
        return ProbeJpeg(bytes);
    return kBad;
}

}  // namespace vellumark
