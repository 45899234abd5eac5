// Background measuring gives what measuring on the caller's thread gives,
// ticket by ticket, and never hangs the merge that owns it.
#include "image_measurer.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vellumark::testing;
using vellumark::ImageMeasurer;
using vellumark::MeasureSheetImage;

namespace {

TEST(ImageMeasurer, MatchesDirectMeasuringInTicketOrder) {
    TempDir dir;
    std::vector<std::string> paths;
    for (int i = 0; i < 12; ++i) {
        const std::string path = dir / (std::to_string(i) + (i % 3 ? ".png" : ".jpg"));
        if (i == 4)
            WriteFile(path, "not an image");
        else if (i != 7)  // 7 is missing
            WriteFile(path, SolidImage(100 + i, 50 + i, Qt::white, i % 3 ? "PNG" : "JPEG"));
        paths.push_back(path);
    }
    ImageMeasurer measurer;
    for (std::size_t i = 0; i < paths.size(); ++i)
        EXPECT_EQ(measurer.Add(paths[i]), i);
    EXPECT_FALSE(measurer.Ready(paths.size()));
    for (std::size_t i = paths.size(); i-- > 0;) {  // taken backwards: order is by ticket
        const auto direct = MeasureSheetImage(paths[i]);
        const auto measured = measurer.Take(i);
        EXPECT_TRUE(measurer.Ready(i));
        EXPECT_EQ(measured.path, paths[i]);
        EXPECT_EQ(measured.pixelWidth, direct.pixelWidth) << i;
        EXPECT_EQ(measured.pixelHeight, direct.pixelHeight) << i;
        if (i == 4 || i == 7)
            EXPECT_EQ(measured.pixelWidth, 0);
        else
            EXPECT_EQ(measured.pixelWidth, int(100 + i));
    }
    EXPECT_EQ(measurer.Take(paths.size()).pixelWidth, 0);  // no such ticket
}

TEST(ImageMeasurer, GoesAwayWithWorkStillQueued) {
    TempDir dir;
    WriteFile(dir / "big.png", SolidImage(3000, 2000, Qt::white, "PNG"));
    {
        ImageMeasurer measurer;
        for (int i = 0; i < 50; ++i)
            measurer.Add(dir / "big.png");
    }  // must return without measuring all fifty
    SUCCEED();
}

}  // namespace
