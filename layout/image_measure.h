// Pixel sizes of the rendered invoice images, and the small numeric helper
// the sheet counts use.
#pragma once

#include <QByteArray>

#include <string>

namespace vellumark {

// The pixel height or width of a PNG or JPEG given as its bytes, or as the
// bytes of a path naming such a file (text up to the first zero byte). 0 for
// anything else: empty input, foreign or damaged data, truncated files.
// Measuring checks the whole file's structure (PNG chunks, CRCs and image
// data; JPEG segments and scans) without building pixels, and decodes only
// what those checks leave in doubt. The last result is remembered, so asking
// for the height and then the width of the same image measures it once.
struct ImageSize {
    int width = 0;
    int height = 0;
};

// Both sides of a PNG or JPEG given as its bytes (never a path), 0 x 0 as above.
ImageSize ImagePixelSize(const std::string& imageBytes);

int ImagePixelHeight(const std::string& imageOrPath);
int ImagePixelWidth(const std::string& imageOrPath);
int ImagePixelHeight(const QByteArray& imageOrPath);
int ImagePixelWidth(const QByteArray& imageOrPath);

// True when `path` (platform bytes) names an existing file that is not a folder.
bool FileExistsWide(const std::string& path);

// The smallest integer not below x, where x exceeding an integer by at most
// 1e-07 counts as that integer. Non-finite or negative input gives 0.
int RoundUp(double x);

}  // namespace vellumark
