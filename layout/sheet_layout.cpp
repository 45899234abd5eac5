#include "layout/sheet_layout.h"

#include <cmath>
#include <span>

namespace vellumark {
namespace {

// The sheet geometry below is the layout's own: the values were chosen, not
// derived, and stay exactly as they are so that sheets come out as they
// always have.
//
// Image pixels are turned into drawn millimetres with these divisors. They
// are close to, but not, 300 dpi (11.811 pixels per millimetre, and twice
// that), so a drawn invoice comes out a fraction smaller than life.
constexpr double kPixelsPerMm = 11.8142857;
constexpr double kTwicePixelsPerMm = 23.6285714;
constexpr double kPortraitShrink = 0.93;
constexpr double kFourPerSheetShrink = 0.92;
constexpr double kLandscapeMmPerPixel = 0.062;
constexpr double kTurnedA5MmPerPixel = 0.062;
constexpr double kTurnedSameMmPerPixel = 0.058;
constexpr int kShortHeightLimit = 148;  // half an A4 sheet
constexpr int kTurnedHeight = 135;

int Floor(double value) {
    return static_cast<int>(std::floor(value));
}

struct Mark {
    double x1, y1, x2, y2;
};

enum class HeightRule { TallPortrait, ShortTwo, Fixed96, TallLandscape, ShortFour };

struct Slot {
    double left, top, width;
    HeightRule rule;
    std::vector<Mark> marks;
    bool endsSheet;
};

// The marks at half height of a portrait sheet: left edge, middle, right edge.
const std::vector<Mark> kHalfSheetMarks = {
    {0, 148, 10, 148}, {100, 148, 110, 148}, {200, 148, 210, 148}};

const std::vector<Slot> kPortraitTallSlots = {{10, 5, 195, HeightRule::TallPortrait, {}, true}};

const std::vector<Slot> kA4TwoShortSlots = {
    {10, 5, 195, HeightRule::ShortTwo, kHalfSheetMarks, false},
    {10, 154, 195, HeightRule::ShortTwo, {}, true},
};

const std::vector<Slot> kA4ThreeShortSlots = {
    {40, 2, 148, HeightRule::Fixed96, {{0, 99, 10, 99}, {200, 99, 210, 99}}, false},
    {40, 100, 148, HeightRule::Fixed96, {{0, 199, 10, 199}, {200, 199, 210, 199}}, false},
    {40, 200, 148, HeightRule::Fixed96, {}, true},
};

const std::vector<Slot> kA4FourTallSlots = {
    {8, 5, 135, HeightRule::TallLandscape, {{148, 0, 148, 10}, {148, 200, 148, 210}}, false},
    {155, 3, 135, HeightRule::TallLandscape, {}, true},
};

const std::vector<Slot> kA4FourShortSlots = {
    {10,
     5,
     135,
     HeightRule::ShortFour,
     {{148, 0, 148, 10},
      {148, 101, 148, 111},
      {148, 200, 148, 210},
      {0, 106, 10, 106},
      {143, 106, 148, 106}},
     false},
    {10, 112, 135, HeightRule::ShortFour, {}, false},
    {158, 5, 135, HeightRule::ShortFour, {{148, 106, 153, 106}, {287, 106, 297, 106}}, false},
    {158, 112, 135, HeightRule::ShortFour, {}, true},
};

int DrawnHeight(HeightRule rule, const SheetImage& image) {
    switch (rule) {
        case HeightRule::TallPortrait:
            return TallPortraitHeight(image.pixelHeight);
        case HeightRule::ShortTwo:
            return ShortTwoPerSheetHeight(image.pixelHeight);
        case HeightRule::Fixed96:
            return 96;
        case HeightRule::TallLandscape:
            return TallLandscapeHeight(image.pixelHeight);
        case HeightRule::ShortFour:
            return ShortFourPerSheetHeight(image.pixelHeight, image.pixelWidth);
    }
    return 0;
}

void DrawMarks(SheetCanvas& canvas, std::span<const Mark> marks) {
    if (marks.empty())
        return;
    canvas.SetLineColor(0, 0, 0);
    for (const Mark& m : marks)
        canvas.DrawLine(m.x1, m.y1, m.x2, m.y2);
}

// Adds and selects the image; false (and noted) when it cannot be added, so
// that nothing is drawn instead of the previously selected image.
bool UseImage(SheetCanvas& canvas, const SheetImage& image, std::vector<std::string>& failed) {
    const int id = canvas.AddImageFromFile(image.path);
    if (id == 0) {
        failed.push_back(image.path);
        return false;
    }
    canvas.SelectImage(id);
    return true;
}

void PlaceInSlots(SheetCanvas& canvas, const std::vector<SheetImage>& images,
                  const std::vector<Slot>& table, std::vector<std::string>& failed) {
    for (size_t j = 1; j <= images.size(); ++j) {
        const SheetImage& image = images[j - 1];
        const Slot& slot = table[(j - 1) % table.size()];
        if (UseImage(canvas, image, failed))
            canvas.DrawImage(slot.left, slot.top, slot.width, DrawnHeight(slot.rule, image));
        DrawMarks(canvas, slot.marks);
        if (slot.endsSheet && j != images.size())
            canvas.NewPage();
    }
}

// A5One and A4TwoSame: every image on a sheet of its own.
void PlaceOnePerSheet(SheetCanvas& canvas, LayoutMode mode, const std::vector<SheetImage>& images,
                      bool tall, std::vector<std::string>& failed) {
    const bool same = mode == LayoutMode::A4TwoSame;
    for (size_t j = 1; j <= images.size(); ++j) {
        const SheetImage& image = images[j - 1];
        const bool added = UseImage(canvas, image, failed);
        if (tall) {
            const int width = TurnedWidth(mode, image.pixelWidth);
            if (added)
                canvas.DrawImage(5, 10, width, kTurnedHeight);
            if (same) {
                if (added)
                    canvas.DrawImage(10, 158, width, kTurnedHeight);
                DrawMarks(canvas, kHalfSheetMarks);
            }
        } else if (!same) {
            if (added)
                canvas.DrawImage(10, 5, 195, 148);
        } else {
            const int height = ShortTwoPerSheetHeight(image.pixelHeight);
            if (added)
                canvas.DrawImage(10, 5, 195, height);
            DrawMarks(canvas, kHalfSheetMarks);
            if (added)
                canvas.DrawImage(10, 154, 195, height);
        }
        if (j != images.size())
            canvas.NewPage();
    }
}

}  // namespace

int TallPortraitHeight(int hpx) {
    return Floor(hpx / kPixelsPerMm * kPortraitShrink);
}

int ShortTwoPerSheetHeight(int hpx) {
    if (Floor(hpx / kPixelsPerMm) > kShortHeightLimit)
        return kShortHeightLimit;
    return Floor(hpx / kPixelsPerMm * kPortraitShrink);
}

int TallLandscapeHeight(int hpx) {
    return Floor(hpx * kLandscapeMmPerPixel);
}

int ShortFourPerSheetHeight(int hpx, int wpx) {
    if (Floor(hpx / kPixelsPerMm) > kShortHeightLimit)
        return 100;
    return Floor(wpx / kTwicePixelsPerMm * kFourPerSheetShrink);
}

int TurnedWidth(LayoutMode mode, int wpx) {
    const double mmPerPixel =
        mode == LayoutMode::A4TwoSame ? kTurnedSameMmPerPixel : kTurnedA5MmPerPixel;
    return Floor(wpx * mmPerPixel);
}

std::vector<std::string> LayoutSheets(SheetCanvas& canvas, LayoutMode mode,
                                      const std::vector<SheetImage>& tall,
                                      const std::vector<SheetImage>& shortImages) {
    std::vector<std::string> failed;
    const bool bothLists = !tall.empty() && !shortImages.empty();
    switch (mode) {
        case LayoutMode::A4Two:
        case LayoutMode::A4Three:
        case LayoutMode::A4Four: {
            const bool four = mode == LayoutMode::A4Four;
            PlaceInSlots(canvas, tall, four ? kA4FourTallSlots : kPortraitTallSlots, failed);
            // Short invoices never share a sheet with tall ones.
            if (bothLists)
                canvas.NewPage();
            const std::vector<Slot>& shortSlots = mode == LayoutMode::A4Two ? kA4TwoShortSlots
                                                  : four                    ? kA4FourShortSlots
                                                                            : kA4ThreeShortSlots;
            PlaceInSlots(canvas, shortImages, shortSlots, failed);
            break;
        }
        case LayoutMode::A5One:
        case LayoutMode::A4TwoSame:
            PlaceOnePerSheet(canvas, mode, tall, true, failed);
            if (bothLists)
                canvas.NewPage();
            PlaceOnePerSheet(canvas, mode, shortImages, false, failed);
            break;
    }
    return failed;
}

}  // namespace vellumark
