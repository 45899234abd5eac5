// What many tests need: temporary folders, the sample corpus, and a library
// object deployed the way the program deploys it.
#pragma once

#include "pdflib/pdf_library.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace vellumark::testing {

// A fresh folder, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Handles the calling thread's events until `done` holds (true) or a minute
// has passed (false): for windows whose work runs on a thread of its own.
bool RunEventsUntil(const std::function<bool()>& done);

// The sample corpus folder, or empty when it is not there.
std::string CorpusDir();
// The PDF files under the corpus's `sub` folder, at any depth, sorted; none
// without a corpus.
std::vector<std::string> CorpusPdfs(const std::string& sub);

// A library deployed into a private program directory and set up as at
// start-up, rendering with the built renderer program; shared by the tests
// of one process.
PdfLibrary& Library();
std::string RendererProgram();

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
void CopyFile(const std::string& from, const std::string& to);
// Names (not paths) in a folder, sorted, without "." and "..".
std::vector<std::string> ListFolder(const std::string& folder);
void RemoveTree(const std::string& path);

// A PDF of `pages` blank A4 pages, as a merged file stands in for printing.
void WriteBlankA4Pages(const std::string& path, int pages);

// `image` encoded as `format` ("PNG", "JPEG") at `quality` (-1: Qt's default).
std::string EncodedImage(const QImage& image, const char* format, int quality = -1);
// A `width` x `height` image of one colour, encoded as `format`.
std::string SolidImage(int width, int height, const QColor& color, const char* format,
                       int quality = -1, QImage::Format pixels = QImage::Format_RGB888);

// The concatenated IDAT chunk data of a PNG file's bytes.
std::string PngIdat(const std::string& png);
// The PNG `png` with its first IDAT chunk's data cut to `keep` bytes and its
// length and CRC made right again, so only the image data is short: every
// check but inflating the data passes.
std::string WithShortIdat(const std::string& png, size_t keep);
// The same size of PNG with bytes in the middle of its first IDAT chunk's
// data overwritten and the CRC made right again.
std::string WithDamagedIdat(const std::string& png);

}  // namespace vellumark::testing

#define VELLUMARK_REQUIRE_CORPUS()                     \
    do {                                               \
        if (::vellumark::testing::CorpusDir().empty()) \
            GTEST_SKIP() << "no corpus";               \
    } while (0)
