#include "image_measure.h"

#include "image_probe.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <sys/stat.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <fstream>
#include <mutex>

namespace vellumark {
namespace {

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return false;
    const std::streamoff size = in.tellg();
    if (size < 0)
        return false;
    bytes.resize(static_cast<size_t>(size));
    in.seekg(0);
    return bytes.empty() || static_cast<bool>(in.read(bytes.data(), size));
}

// Decoders fill in what is missing from a file cut short and call it a
// success, so completeness is checked on the bytes first: a PNG must end with
// its IEND chunk, a JPEG must have its end-of-image marker after a scan.
bool LooksComplete(const std::string& bytes) {
    static const char kPngSignature[] = "\x89PNG\r\n\x1a\n";
    static const char kPngEnd[] = "IEND\xae\x42\x60\x82";
    if (bytes.size() >= 8 + 12 && bytes.compare(0, 8, kPngSignature, 8) == 0) {
        return bytes.find(std::string(kPngEnd, 8), 8) != std::string::npos;
    }
    if (bytes.size() >= 4 && bytes.compare(0, 2, "\xff\xd8", 2) == 0) {
        const auto scan = bytes.find("\xff\xda", 2, 2);
        const auto end = bytes.rfind("\xff\xd9", std::string::npos, 2);
        return scan != std::string::npos && end != std::string::npos && end > scan;
    }
    return false;
}

// The slow and sure way, for the files the byte checks leave in doubt.
ImageSize Decode(const std::string& bytes) {
    if (!LooksComplete(bytes))
        return {};
    QByteArray data = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()));
    QBuffer buffer(&data);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    const QByteArray format = reader.format();
    if (format != "png" && format != "jpeg")
        return {};
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return {};
    return {image.width(), image.height()};
}

// Images the decoder would refuse for their size are left to it, so that
// both ways agree on them.
bool WithinDecoderLimit(const ImageSize& size) {
    const int limitMb = QImageReader::allocationLimit();
    const double bytes = double(size.width) * double(size.height) * 4;
    return limitMb <= 0 || bytes <= double(limitMb) * 1024 * 1024;
}

ImageSize MeasureBytes(const std::string& bytes) {
    const ProbeResult probe = ProbeImage(bytes);
    switch (probe.verdict) {
        case ProbeVerdict::kBad:
            return {};
        case ProbeVerdict::kGood:
            if (WithinDecoderLimit(probe.size))
                return probe.size;
            break;
        case ProbeVerdict::kDoubt:
            break;
    }
    return Decode(bytes);
}

ImageSize Measure(const std::string& imageOrPath) {
    if (imageOrPath.empty())
        return {};
    // The input names a file when its text (up to the first zero byte) does.
    const std::string text(imageOrPath.c_str());
    std::string fileBytes;
    const bool isPath = FileExistsWide(text);
    if (isPath && !ReadWholeFile(text, fileBytes))
        return {};
    const std::string& bytes = isPath ? fileBytes : imageOrPath;

    // Callers ask for the height and then the width of the same bytes.
    static std::mutex mutex;
    static std::string lastBytes;
    static ImageSize lastSize;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!lastBytes.empty() && lastBytes == bytes)
            return lastSize;
    }
    const ImageSize size = MeasureBytes(bytes);
    std::lock_guard<std::mutex> lock(mutex);
    lastBytes = bytes;
    lastSize = size;
    return size;
}

std::string ToStd(const QByteArray& bytes) {
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

}  // namespace

ImageSize ImagePixelSize(const std::string& imageBytes) {
    if (imageBytes.empty())
        return {};
    return MeasureBytes(imageBytes);
}

int ImagePixelHeight(const std::string& imageOrPath) {
    return Measure(imageOrPath).height;
}
int ImagePixelWidth(const std::string& imageOrPath) {
    return Measure(imageOrPath).width;
}
int ImagePixelHeight(const QByteArray& imageOrPath) {
    return ImagePixelHeight(ToStd(imageOrPath));
}
int ImagePixelWidth(const QByteArray& imageOrPath) {
    return ImagePixelWidth(ToStd(imageOrPath));
}

bool FileExistsWide(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

int RoundUp(double x) {
    if (!std::isfinite(x) || x <= 0)
        return 0;
    if (x >= double(INT_MAX))
        return INT_MAX;
    int n = static_cast<int>(std::floor(x));
    if (std::fabs(std::fmod(x, 1.0)) > 1e-07)
        ++n;
    return n;
}

}  // namespace vellumark
