// Page images written off the rendering thread: the same bytes as a direct
// write, whole or not at all, and all of them once the queue is drained.
#include "render_queue.h"
#include "invoice_fixtures.h"
#include "render_page.h"
#include "render_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vellumark::testing;
using vellumark::fixtures::ShortPage;
using vellumark::fixtures::TallPage;
using vellumark::fixtures::WriteInvoicePdf;

namespace {

// A small picture that differs with `seed`, so that files can be told apart;
// partly transparent, as the renderer's bitmaps are.
QImage Picture(int seed) {
    QImage image(120 + seed, 80, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int v = (x * (seed + 3) + y * 7) % 256;
            image.setPixel(x, y, qRgba(v, 255 - v, (v * 5) % 256, (x + y * seed) % 256));
        }
    }
    return image;
}

std::string DirectBytes(const TempDir& dir, const QImage& image, int format) {
    const std::string path = dir / "direct";
    EXPECT_NO_THROW(pdfax::WriteBitmapFile(image, format, path));
    std::string bytes = ReadFile(path);
    RemoveTree(path);
    return bytes;
}

int FormatOf(int i) {
    return i % 2 ? pdfax::kFormatJpeg : pdfax::kFormatPng;
}

TEST(RenderQueue, DrainedFilesMatchDirectWrites) {
    TempDir dir;
    TempDir expected;
    std::vector<std::string> wanted;
    {
        pdfax::RenderQueue queue(2, 3);
        for (int i = 0; i < 12; ++i) {
            auto image = Picture(i);
            wanted.push_back(DirectBytes(expected, image, FormatOf(i)));
            ASSERT_TRUE(queue.Push(std::move(image), FormatOf(i), dir / std::to_string(i)));
        }
        queue.Drain();
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(ReadFile(dir / std::to_string(i)), wanted[i]) << i;
        // Pushed again to one name: the last image is the one that stays.
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(queue.Push(Picture(i), FormatOf(i), dir / "same"));
        queue.Drain();
        EXPECT_EQ(ReadFile(dir / "same"), wanted[3]);

        // Writes handed over just before the queue goes are still finished.
        for (int i = 0; i < 5; ++i)
            ASSERT_TRUE(queue.Push(Picture(i), FormatOf(i), dir / ("late" + std::to_string(i))));
    }
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(ReadFile(dir / ("late" + std::to_string(i))), wanted[i]) << i;
    EXPECT_EQ(ListFolder(dir.path()).size(), 12u + 1 + 5);  // no temporary files
}

TEST(RenderQueue, FailedWritesLeaveNothingAndDoNotStopTheQueue) {
    TempDir dir;
    WriteFile(dir / "kept.png", "previous");
    pdfax::RenderQueue queue;
    ASSERT_TRUE(queue.Push(QImage(), pdfax::kFormatPng, dir / "kept.png"));
    ASSERT_TRUE(queue.Push(Picture(2), pdfax::kFormatPng, dir / "missing/0.png"));
    ASSERT_TRUE(queue.Push(Picture(3), 3, dir / "unknown"));
    ASSERT_TRUE(queue.Push(Picture(4), pdfax::kFormatJpeg, dir.path()));
    ASSERT_TRUE(queue.Push(Picture(5), pdfax::kFormatPng, dir / "good.png"));
    queue.Drain();
    EXPECT_EQ(ReadFile(dir / "kept.png"), "previous");
    EXPECT_EQ(ListFolder(dir.path()), (std::vector<std::string>{"good.png", "kept.png"}));
    EXPECT_FALSE(ReadFile(dir / "good.png").empty());
}

// The merge's sequence through the deployed library: the images are those of
// a direct render once any other call has been made.
TEST(RenderQueue, LibraryRendersMatchDirectRendersAfterTheNextCall) {
    auto& lib = Library();
    TempDir dir;
    TempDir expected;
    ASSERT_TRUE(WriteInvoicePdf(dir / "short.pdf", ShortPage("S")));
    ASSERT_TRUE(WriteInvoicePdf(dir / "tall.pdf", TallPage("T")));
    std::vector<std::string> wanted;
    for (int i = 0; i < 6; ++i) {
        const std::string pdf = dir / (i % 2 ? "tall.pdf" : "short.pdf");
        const std::string direct = expected / std::to_string(i);
        ASSERT_TRUE(RenderFilePage(pdf, 1, FormatOf(i), 300, direct).rendered);
        wanted.push_back(ReadFile(direct));

        const int handle = lib.DAOpenFileReadOnly(pdf, "");
        ASSERT_GT(handle, 0);
        EXPECT_EQ(lib.DARenderPageToFile(handle, lib.DAFindPage(handle, 1), FormatOf(i), 300,
                                         dir / ("out" + std::to_string(i))),
                  1);
        lib.DACloseFile(handle);
    }
    ASSERT_EQ(lib.NewDocument(), 1);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(ReadFile(dir / ("out" + std::to_string(i))), wanted[i]) << i;
}

}  // namespace
