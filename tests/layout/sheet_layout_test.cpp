// Every slot, drawn size, cut mark and page break of the five layouts, once
// on a recording canvas and once through the library and back out of the
// saved PDF.
#include "layout/sheet_layout.h"
#include "sheet_runs.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vellumark {
namespace {

using testing::DrawnPage;
using testing::ImageSpec;

struct Img {
    double left, top, width, height;
    ImageSpec pixels;
};
struct Ln {
    double x1, y1, x2, y2;
};
struct Page {
    std::vector<Img> images;
    std::vector<Ln> lines;
};

// Pixel sizes of the worked values: rendered at 300 dpi, a 210 mm wide page
// is 2480 pixels, 140 mm 1654, 297 mm 3508, 190 mm 2244.
constexpr ImageSpec kPortraitTall{2480, 3508};
constexpr ImageSpec kShort140{2480, 1654};
constexpr ImageSpec kShort1760{2480, 1760};
constexpr ImageSpec kShort1761{2480, 1761};
constexpr ImageSpec kTurned297{3508, 2480};
constexpr ImageSpec kTurned190{2244, 2480};
constexpr ImageSpec kUndecodable{0, 0, true};

const std::vector<Ln> kHalfSheetMarks = {
    {0, 148, 10, 148}, {100, 148, 110, 148}, {200, 148, 210, 148}};
const std::vector<Ln> kA4FourTallMarks = {{148, 0, 148, 10}, {148, 200, 148, 210}};
const std::vector<Ln> kA4FourFirstMarks = {{148, 0, 148, 10},
                                           {148, 101, 148, 111},
                                           {148, 200, 148, 210},
                                           {0, 106, 10, 106},
                                           {143, 106, 148, 106}};
const std::vector<Ln> kA4FourThirdMarks = {{148, 106, 153, 106}, {287, 106, 297, 106}};

std::vector<Ln> Join(std::vector<Ln> a, const std::vector<Ln>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void ExpectNear(double actual, double expected, const char* what, size_t page, size_t item) {
    EXPECT_NEAR(actual, expected, 0.01) << what << " on page " << page + 1 << ", item " << item + 1;
}

void ExpectSheets(const std::vector<DrawnPage>& actual, LayoutMode mode,
                  const std::vector<Page>& expected) {
    ASSERT_EQ(actual.size(), expected.size()) << "pages";
    const LayoutModeParameters& sheet = ParametersOf(mode);
    for (size_t p = 0; p < expected.size(); ++p) {
        const DrawnPage& got = actual[p];
        ExpectNear(got.widthMm, sheet.sheetWidth, "sheet width", p, 0);
        ExpectNear(got.heightMm, sheet.sheetHeight, "sheet height", p, 0);
        ASSERT_EQ(got.images.size(), expected[p].images.size()) << "images on page " << p + 1;
        for (size_t i = 0; i < got.images.size(); ++i) {
            const Img& want = expected[p].images[i];
            ExpectNear(got.images[i].left, want.left, "left", p, i);
            ExpectNear(got.images[i].top, want.top, "top", p, i);
            ExpectNear(got.images[i].width, want.width, "width", p, i);
            ExpectNear(got.images[i].height, want.height, "height", p, i);
            EXPECT_EQ(got.images[i].pixelWidth, want.pixels.width) << "page " << p + 1;
            EXPECT_EQ(got.images[i].pixelHeight, want.pixels.height) << "page " << p + 1;
        }
        ASSERT_EQ(got.lines.size(), expected[p].lines.size()) << "marks on page " << p + 1;
        for (size_t i = 0; i < got.lines.size(); ++i) {
            const Ln& want = expected[p].lines[i];
            ExpectNear(got.lines[i].x1, want.x1, "x1", p, i);
            ExpectNear(got.lines[i].y1, want.y1, "y1", p, i);
            ExpectNear(got.lines[i].x2, want.x2, "x2", p, i);
            ExpectNear(got.lines[i].y2, want.y2, "y2", p, i);
            EXPECT_EQ(got.lines[i].red + got.lines[i].green + got.lines[i].blue, 0)
                << "mark not black on page " << p + 1;
        }
    }
}

class SheetLayoutTest : public ::testing::Test {
protected:
    // The same layout on the recorder and through the library; the sheet
    // count always equals the pages produced.
    void Check(LayoutMode mode, const std::vector<ImageSpec>& tall,
               const std::vector<ImageSpec>& shortImages, const std::vector<Page>& expected) {
        EXPECT_EQ(
            SheetCount(mode, static_cast<int>(tall.size()), static_cast<int>(shortImages.size())),
            static_cast<int>(expected.size()));
        {
            SCOPED_TRACE("recording canvas");
            ExpectSheets(testing::RunOnRecorder(mode, tall, shortImages), mode, expected);
        }
        {
            SCOPED_TRACE("through the library");
            ExpectSheets(testing::RunThroughLibrary(dir_.path(), mode, tall, shortImages), mode,
                         expected);
        }
    }
    testing::TempDir dir_;
};

TEST_F(SheetLayoutTest, A4TwoTallFirstThenShortPairs) {
    Check(LayoutMode::A4Two, {kPortraitTall}, {kShort140, kShort1760, kShort1761},
          {{{{10, 5, 195, 276, kPortraitTall}}, {}},
           {{{10, 5, 195, 130, kShort140}, {10, 154, 195, 138, kShort1760}}, kHalfSheetMarks},
           {{{10, 5, 195, 148, kShort1761}}, kHalfSheetMarks}});
}

TEST_F(SheetLayoutTest, A4TwoShortOnlyStartsWithoutBreak) {
    Check(LayoutMode::A4Two, {}, {kShort1761, kShort140, kShort140},
          {{{{10, 5, 195, 148, kShort1761}, {10, 154, 195, 130, kShort140}}, kHalfSheetMarks},
           {{{10, 5, 195, 130, kShort140}}, kHalfSheetMarks}});
}

TEST_F(SheetLayoutTest, A4ThreeFourShort) {
    const std::vector<Ln> first = {{0, 99, 10, 99}, {200, 99, 210, 99}};
    const std::vector<Ln> second = {{0, 199, 10, 199}, {200, 199, 210, 199}};
    Check(LayoutMode::A4Three, {kPortraitTall}, {kShort140, kShort1761, kShort140, kShort1760},
          {{{{10, 5, 195, 276, kPortraitTall}}, {}},
           {{{40, 2, 148, 96, kShort140},
             {40, 100, 148, 96, kShort1761},
             {40, 200, 148, 96, kShort140}},
            Join(first, second)},
           {{{40, 2, 148, 96, kShort1760}}, first}});
}

TEST_F(SheetLayoutTest, A4FourOneTallFiveShort) {
    // The rules would draw the tall page past the lower edge, kShort1761 100
    // high from 112 and `narrow` 87 high (out of proportion): all three are
    // fitted into their slots instead.
    const ImageSpec narrow{2244, 1654};
    Check(LayoutMode::A4Four, {kPortraitTall},
          {kShort140, kShort1761, narrow, kShort1760, kShort140},
          {{{{8, 9.52, 135, 190.96, kPortraitTall}}, kA4FourTallMarks},
           {{{10, 5, 135, 96, kShort140},
             {12.01, 112, 130.97, 93, kShort1761},
             {158, 5.25, 135, 99.51, narrow},
             {158, 112, 135, 96, kShort1760}},
            Join(kA4FourFirstMarks, kA4FourThirdMarks)},
           {{{10, 5, 135, 96, kShort140}}, kA4FourFirstMarks}});
}

TEST_F(SheetLayoutTest, A4FourThreeTall) {
    Check(LayoutMode::A4Four, {kShort140, kPortraitTall, kPortraitTall}, {},
          {{{{8, 59.98, 135, 90.04, kShort140}, {155, 8.52, 135, 190.96, kPortraitTall}},
            kA4FourTallMarks},
           {{{8, 9.52, 135, 190.96, kPortraitTall}}, kA4FourTallMarks}});
}

// Every image here would run off the A5 sheet or be stretched by the rules'
// sizes (217 x 135, 139 x 135, 195 x 148 from top 5): each is fitted.
TEST_F(SheetLayoutTest, A5OneTurnedTallThenShort) {
    Check(LayoutMode::A5One, {kTurned297, kTurned190}, {kShort1761},
          {{{{10.93, 10, 188.13, 133, kTurned297}}, {}},
           {{{44.83, 10, 120.34, 133, kTurned190}}, {}},
           {{{10.33, 5, 194.34, 138, kShort1761}}, {}}});
}

TEST_F(SheetLayoutTest, A4TwoSameThreeShort) {
    Check(LayoutMode::A4TwoSame, {}, {kShort140, kShort1761, kShort1760},
          {{{{10, 5, 195, 130, kShort140}, {10, 154, 195, 130, kShort140}}, kHalfSheetMarks},
           {{{10.33, 7.5, 194.34, 138, kShort1761}, {10.33, 154, 194.34, 138, kShort1761}},
            kHalfSheetMarks},
           {{{10, 5, 195, 138, kShort1760}, {10, 154, 195, 138, kShort1760}}, kHalfSheetMarks}});
}

// The lower turned copy would end at 213 mm on the 210 mm sheet: both
// copies are fitted, to one size.
TEST_F(SheetLayoutTest, A4TwoSameTallThenShort) {
    Check(LayoutMode::A4TwoSame, {kTurned297}, {kShort140},
          {{{{10.93, 10, 188.13, 133, kTurned297}, {13.43, 158.5, 188.13, 133, kTurned297}},
            kHalfSheetMarks},
           {{{10, 5, 195, 130, kShort140}, {10, 154, 195, 130, kShort140}}, kHalfSheetMarks}});
}

// What 0 pixels give in each measured rule, and the fixed sizes that ignore it.
TEST(SheetRulesTest, SheetCountsRoundUpWithTolerance) {
    EXPECT_EQ(RoundUp(5.0 / 4), 2);
    EXPECT_EQ(RoundUp(4.0 / 4), 1);
    EXPECT_EQ(RoundUp(0.0 / 4), 0);
    EXPECT_EQ(RoundUp(2 + 5e-8), 2);
    EXPECT_EQ(RoundUp(2 + 2e-7), 3);
    EXPECT_EQ(RoundUp(std::nan("")), 0);
}

TEST(SheetRulesTest, UndecodableImagesDrawFromZeroPixels) {
    auto pages = testing::RunOnRecorder(LayoutMode::A4Two, {kUndecodable}, {kUndecodable});
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].images[0].height, 0);
    EXPECT_EQ(pages[1].images[0].height, 0);
    pages = testing::RunOnRecorder(LayoutMode::A4Four, {kUndecodable}, {kUndecodable});
    EXPECT_EQ(pages[0].images[0].height, 0);
    EXPECT_EQ(pages[1].images[0].height, 0);
    pages = testing::RunOnRecorder(LayoutMode::A5One, {kUndecodable}, {kUndecodable});
    EXPECT_EQ(pages[0].images[0].width, 0);
    EXPECT_EQ(pages[1].images[0].width, 195);
    EXPECT_EQ(pages[1].images[0].height, 148);
    pages = testing::RunOnRecorder(LayoutMode::A4TwoSame, {}, {kUndecodable});
    EXPECT_EQ(pages[0].images[0].height, 0);
    EXPECT_EQ(pages[0].images[1].height, 0);
    EXPECT_EQ(pages[0].lines.size(), 3u);
}

// An image the library cannot add leaves its slot empty (never another
// invoice drawn twice) and keeps its marks and breaks.
TEST_F(SheetLayoutTest, ImageTheLibraryCannotAddLeavesItsSlotEmpty) {
    int notAdded = 0;
    const auto pages = testing::RunThroughLibrary(dir_.path(), LayoutMode::A4Two, {},
                                                  {kShort140, kUndecodable, kShort1761}, &notAdded);
    EXPECT_EQ(notAdded, 1);
    ExpectSheets(pages, LayoutMode::A4Two,
                 {{{{10, 5, 195, 130, kShort140}}, kHalfSheetMarks},
                  {{{10, 5, 195, 148, kShort1761}}, kHalfSheetMarks}});
}

TEST(SheetRulesTest, WorkedValues) {
    EXPECT_EQ(ShortTwoPerSheetHeight(1654), 130);
    EXPECT_EQ(TallLandscapeHeight(1654), 102);
    EXPECT_EQ(ShortTwoPerSheetHeight(1760), 138);
    EXPECT_EQ(ShortTwoPerSheetHeight(1761), 148);
    EXPECT_EQ(ShortFourPerSheetHeight(1761, 2480), 100);
    EXPECT_EQ(TallPortraitHeight(3508), 276);
    EXPECT_EQ(TallLandscapeHeight(3508), 217);
    EXPECT_EQ(ShortFourPerSheetHeight(1760, 2480), 96);
    EXPECT_EQ(TurnedWidth(LayoutMode::A5One, 3508), 217);
    EXPECT_EQ(TurnedWidth(LayoutMode::A4TwoSame, 3508), 203);
    EXPECT_EQ(TurnedWidth(LayoutMode::A5One, 2244), 139);
    EXPECT_EQ(TurnedWidth(LayoutMode::A4TwoSame, 2244), 130);
}

// Whatever page comes, portrait or landscape, from a receipt to a long toll
// summary: every image lies inside its sheet and keeps its proportions
// within 10 %, in every layout.
TEST(SheetRulesTest, EveryPageInsideItsSheetAndInProportion) {
    struct PageMm {
        double width, height;
    };
    const std::vector<PageMm> pages = {{210, 100}, {210, 140}, {210, 148}, {210, 160}, {210, 180},
                                       {210, 190}, {210, 240}, {210, 297}, {210, 318}, {210, 320},
                                       {176, 250}, {200, 100}, {240, 160}, {297, 210}, {320, 220}};
    constexpr double kDotsPerMm = 300 / 25.4;
    for (int m = 0; m < kLayoutModeCount; ++m) {
        const LayoutMode mode = LayoutModeAt(m);
        const LayoutModeParameters& sheet = ParametersOf(mode);
        for (const PageMm& page : pages) {
            const bool tall = page.height >= 180;
            const bool turned = TurnsPage(mode, tall, page.width, page.height);
            const int across = static_cast<int>(std::lround(page.width * kDotsPerMm));
            const int down = static_cast<int>(std::lround(page.height * kDotsPerMm));
            const ImageSpec image = turned ? ImageSpec{down, across} : ImageSpec{across, down};
            const std::vector<ImageSpec> three(3, image);
            const auto drawn = testing::RunOnRecorder(mode, tall ? three : std::vector<ImageSpec>{},
                                                      tall ? std::vector<ImageSpec>{} : three);
            for (const DrawnPage& got : drawn) {
                for (const auto& i : got.images) {
                    SCOPED_TRACE(::testing::Message()
                                 << "layout " << m << ", page " << page.width << " x "
                                 << page.height << " drawn at " << i.left << ", " << i.top
                                 << " size " << i.width << " x " << i.height);
                    EXPECT_GE(i.left, 0);
                    EXPECT_GE(i.top, 0);
                    EXPECT_LE(i.left + i.width, sheet.sheetWidth + 1e-6);
                    EXPECT_LE(i.top + i.height, sheet.sheetHeight + 1e-6);
                    const double stretch =
                        (i.width / i.height) / (double(i.pixelWidth) / i.pixelHeight);
                    EXPECT_LE(std::max(stretch, 1 / stretch), 1.10 + 1e-6);
                }
            }
        }
    }
}

TEST(SheetRulesTest, SheetCountsAndReport) {
    EXPECT_EQ(SheetCount(LayoutMode::A4Two, 1, 3), 3);
    EXPECT_EQ(SheetCount(LayoutMode::A4Three, 0, 4), 2);
    EXPECT_EQ(SheetCount(LayoutMode::A4Four, 1, 5), 3);
    EXPECT_EQ(SheetCount(LayoutMode::A4Four, 3, 0), 2);
    EXPECT_EQ(SheetCount(LayoutMode::A4Four, 0, 0), 0);
    EXPECT_EQ(SheetCount(LayoutMode::A5One, 2, 1), 3);
    EXPECT_EQ(SheetCount(LayoutMode::A4TwoSame, 1, 1), 2);
    EXPECT_EQ(MergeReportText(LayoutMode::A4Two, 4, 3),
              QStringLiteral("此次共为您\r\n合并打印了 4 张电子发票；\r\n共需打印 3 张A4纸；\r\n"
                             "电子发票批量导出成功！"));
    EXPECT_EQ(MergeReportText(LayoutMode::A4Four, 12, 4),
              QStringLiteral("此次共为您\r\n打印了 12 张电子发票；\r\n共需打印 4 张A4纸；\r\n"
                             "电子发票批量导出成功！"));
    EXPECT_EQ(MergeReportText(LayoutMode::A5One, 3, 3),
              QStringLiteral("此次共为您\r\n合并打印了 3 张电子发票；\r\n共需打印 3 张A5纸；\r\n"
                             "电子发票批量导出成功！"));
}

}  // namespace
}  // namespace vellumark
