#include "layout/sheet_layout.h"

#include <algorithm>
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
constexpr double kTurnedHeight = 135;

int Floor(double value) {
    return static_cast<int>(std::floor(value));
}

struct Mark {
    double x1, y1, x2, y2;
};

struct Box {
    double left, top, width, height;
};

enum class SizeRule {
    TallPortrait,
    ShortTwo,
    Fixed96,
    TallLandscape,
    ShortFour,
    FixedA5,     // 195 x 148, the image not measured
    TurnedA5,    // width from the pixels, 135 high
    TurnedSame,  // the same, a little narrower
};

// `box` is the part of the sheet the slot owns: an image that the fixed
// sizes would put past the sheet's edge, or stretch out of proportion, is
// fitted in there instead.
struct Slot {
    double left, top;
    SizeRule rule;
    Box box;
    std::vector<Mark> marks;
    bool endsSheet;
};

// The marks at half height of a portrait sheet: left edge, middle, right edge.
const std::vector<Mark> kHalfSheetMarks = {
    {0, 148, 10, 148}, {100, 148, 110, 148}, {200, 148, 210, 148}};

// Boxes keep 5 mm from the sheet's edges and end at the cut lines.
const std::vector<Slot> kPortraitTallSlots = {
    {10, 5, SizeRule::TallPortrait, {10, 5, 195, 287}, {}, true}};

const std::vector<Slot> kA4TwoShortSlots = {
    {10, 5, SizeRule::ShortTwo, {10, 5, 195, 143}, kHalfSheetMarks, false},
    {10, 154, SizeRule::ShortTwo, {10, 154, 195, 138}, {}, true},
};

const std::vector<Slot> kA4ThreeShortSlots = {
    {40, 2, SizeRule::Fixed96, {40, 2, 148, 96}, {{0, 99, 10, 99}, {200, 99, 210, 99}}, false},
    {40,
     100,
     SizeRule::Fixed96,
     {40, 100, 148, 96},
     {{0, 199, 10, 199}, {200, 199, 210, 199}},
     false},
    {40, 200, SizeRule::Fixed96, {40, 200, 148, 96}, {}, true},
};

const std::vector<Slot> kA4FourTallSlots = {
    {8,
     5,
     SizeRule::TallLandscape,
     {8, 5, 135, 200},
     {{148, 0, 148, 10}, {148, 200, 148, 210}},
     false},
    {155, 3, SizeRule::TallLandscape, {155, 3, 135, 202}, {}, true},
};

const std::vector<Slot> kA4FourShortSlots = {
    {10,
     5,
     SizeRule::ShortFour,
     {10, 5, 135, 100},
     {{148, 0, 148, 10},
      {148, 101, 148, 111},
      {148, 200, 148, 210},
      {0, 106, 10, 106},
      {143, 106, 148, 106}},
     false},
    {10, 112, SizeRule::ShortFour, {10, 112, 135, 93}, {}, false},
    {158,
     5,
     SizeRule::ShortFour,
     {158, 5, 135, 100},
     {{148, 106, 153, 106}, {287, 106, 297, 106}},
     false},
    {158, 112, SizeRule::ShortFour, {158, 112, 135, 93}, {}, true},
};

// A5One and A4TwoSame: one invoice a sheet, twice on A4TwoSame.
const std::vector<Slot> kA5TallSlots = {{5, 10, SizeRule::TurnedA5, {5, 10, 200, 133}, {}, true}};
const std::vector<Slot> kA5ShortSlots = {{10, 5, SizeRule::FixedA5, {10, 5, 195, 138}, {}, true}};
const std::vector<Slot> kSameTallSlots = {
    {5, 10, SizeRule::TurnedSame, {5, 10, 200, 133}, kHalfSheetMarks, false},
    {10, 158, SizeRule::TurnedSame, {10, 158, 195, 134}, {}, true},
};
const std::vector<Slot> kSameShortSlots = {
    {10, 5, SizeRule::ShortTwo, {10, 5, 195, 143}, kHalfSheetMarks, false},
    {10, 154, SizeRule::ShortTwo, {10, 154, 195, 138}, {}, true},
};

const std::vector<Slot>& SlotsOf(LayoutMode mode, bool tall) {
    switch (mode) {
        case LayoutMode::A4Two:
            return tall ? kPortraitTallSlots : kA4TwoShortSlots;
        case LayoutMode::A4Three:
            return tall ? kPortraitTallSlots : kA4ThreeShortSlots;
        case LayoutMode::A4Four:
            return tall ? kA4FourTallSlots : kA4FourShortSlots;
        case LayoutMode::A5One:
            return tall ? kA5TallSlots : kA5ShortSlots;
        case LayoutMode::A4TwoSame:
            break;
    }
    return tall ? kSameTallSlots : kSameShortSlots;
}

// The size the layout's own rules give the image in the slot.
Box RuleSize(const Slot& slot, const SheetImage& image) {
    const int wpx = image.pixelWidth;
    const int hpx = image.pixelHeight;
    switch (slot.rule) {
        case SizeRule::TallPortrait:
            return {slot.left, slot.top, 195, double(TallPortraitHeight(hpx))};
        case SizeRule::ShortTwo:
            return {slot.left, slot.top, 195, double(ShortTwoPerSheetHeight(hpx))};
        case SizeRule::Fixed96:
            return {slot.left, slot.top, 148, 96};
        case SizeRule::TallLandscape:
            return {slot.left, slot.top, 135, double(TallLandscapeHeight(hpx))};
        case SizeRule::ShortFour:
            return {slot.left, slot.top, 135, double(ShortFourPerSheetHeight(hpx, wpx))};
        case SizeRule::FixedA5:
            return {slot.left, slot.top, 195, 148};
        case SizeRule::TurnedA5:
            return {slot.left, slot.top, double(TurnedWidth(LayoutMode::A5One, wpx)),
                    kTurnedHeight};
        case SizeRule::TurnedSame:
            return {slot.left, slot.top, double(TurnedWidth(LayoutMode::A4TwoSame, wpx)),
                    kTurnedHeight};
    }
    return {slot.left, slot.top, 0, 0};
}

// How far the drawn shape is from the image's own: 0 when in proportion.
double Stretch(const Box& drawn, const SheetImage& image) {
    if (drawn.width <= 0 || drawn.height <= 0)
        return HUGE_VAL;
    const double ratio =
        (drawn.width / drawn.height) / (double(image.pixelWidth) / double(image.pixelHeight));
    return std::max(ratio, 1 / ratio) - 1;
}

bool InsideSheet(const Box& drawn, LayoutMode mode) {
    constexpr double kSlack = 1e-9;
    const LayoutModeParameters& sheet = ParametersOf(mode);
    return drawn.left >= 0 && drawn.top >= 0 &&
           drawn.left + drawn.width <= sheet.sheetWidth + kSlack &&
           drawn.top + drawn.height <= sheet.sheetHeight + kSlack;
}

// The image in proportion, as large as fits in `width` x `height` but no
// larger than life, centred in the slot's box.
Box Fitted(const Box& box, double width, double height, const SheetImage& image) {
    const double scale =
        std::min({width / image.pixelWidth, height / image.pixelHeight, 1 / kPixelsPerMm});
    const double w = image.pixelWidth * scale;
    const double h = image.pixelHeight * scale;
    return {box.left + (box.width - w) / 2, box.top + (box.height - h) / 2, w, h};
}

// Where the image is drawn in the slot: where the layout's rules put it,
// unless that would run off the sheet or stretch the invoice by more than
// 10 %; then fitted into the slot's box. An image without a size keeps
// the rules' size: there are no proportions to keep.
Box Placed(LayoutMode mode, const Slot& slot, const SheetImage& image, bool* fitted = nullptr) {
    constexpr double kMostStretch = 0.10;
    const Box ruled = RuleSize(slot, image);
    const bool keep = image.pixelWidth <= 0 || image.pixelHeight <= 0 ||
                      (InsideSheet(ruled, mode) && Stretch(ruled, image) <= kMostStretch + 1e-9);
    if (fitted)
        *fitted = !keep;
    return keep ? ruled : Fitted(slot.box, slot.box.width, slot.box.height, image);
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
bool UseImage(SheetCanvas& canvas, const SheetImage& image, std::vector<SheetImage>& failed) {
    const int id = canvas.AddImageFromFile(image.path);
    if (id == 0) {
        failed.push_back(image);
        return false;
    }
    canvas.SelectImage(id);
    return true;
}

void Draw(SheetCanvas& canvas, const Box& at) {
    canvas.DrawImage(at.left, at.top, at.width, at.height);
}

void PlaceInSlots(SheetCanvas& canvas, LayoutMode mode, const std::vector<SheetImage>& images,
                  const std::vector<Slot>& table, std::vector<SheetImage>& failed) {
    for (size_t j = 1; j <= images.size(); ++j) {
        const SheetImage& image = images[j - 1];
        const Slot& slot = table[(j - 1) % table.size()];
        if (UseImage(canvas, image, failed))
            Draw(canvas, Placed(mode, slot, image));
        DrawMarks(canvas, slot.marks);
        if (slot.endsSheet && j != images.size())
            canvas.NewPage();
    }
}

// A4TwoSame: the image, added once, in both halves of its sheet. When
// either copy has to be fitted, both are, to the same size.
void PlaceTwice(SheetCanvas& canvas, const std::vector<SheetImage>& images,
                const std::vector<Slot>& table, std::vector<SheetImage>& failed) {
    const Slot& upper = table[0];
    const Slot& lower = table[1];
    for (size_t j = 1; j <= images.size(); ++j) {
        const SheetImage& image = images[j - 1];
        const bool added = UseImage(canvas, image, failed);
        bool fittedUpper = false, fittedLower = false;
        Box first = Placed(LayoutMode::A4TwoSame, upper, image, &fittedUpper);
        Box second = Placed(LayoutMode::A4TwoSame, lower, image, &fittedLower);
        if (fittedUpper || fittedLower) {
            const double width = std::min(upper.box.width, lower.box.width);
            const double height = std::min(upper.box.height, lower.box.height);
            first = Fitted(upper.box, width, height, image);
            second = Fitted(lower.box, width, height, image);
        }
        if (added)
            Draw(canvas, first);
        DrawMarks(canvas, upper.marks);
        if (added)
            Draw(canvas, second);
        if (j != images.size())
            canvas.NewPage();
    }
}

void PlaceList(SheetCanvas& canvas, LayoutMode mode, const std::vector<SheetImage>& images,
               bool tall, std::vector<SheetImage>& failed) {
    if (mode == LayoutMode::A4TwoSame)
        PlaceTwice(canvas, images, SlotsOf(mode, tall), failed);
    else
        PlaceInSlots(canvas, mode, images, SlotsOf(mode, tall), failed);
}

// The area an image of a page this size covers in the list's first slot.
double DrawnArea(LayoutMode mode, bool tall, double widthMm, double heightMm) {
    constexpr double kRenderDotsPerMm = 300 / 25.4;
    const SheetImage image{{},
                           static_cast<int>(std::lround(widthMm * kRenderDotsPerMm)),
                           static_cast<int>(std::lround(heightMm * kRenderDotsPerMm))};
    const Box at = Placed(mode, SlotsOf(mode, tall).front(), image);
    return at.width * at.height;
}

}  // namespace

bool TurnsPage(LayoutMode mode, bool tall, double widthMm, double heightMm) {
    if (widthMm <= 0 || heightMm <= 0)
        return tall && TurnsTallInvoices(mode);
    const double upright = DrawnArea(mode, tall, widthMm, heightMm);
    const double turned = DrawnArea(mode, tall, heightMm, widthMm);
    // Tall invoices turn in the one-a-sheet modes unless that draws them
    // smaller; everything else turns only when that draws it larger.
    if (tall && TurnsTallInvoices(mode))
        return turned >= upright;
    return turned > upright * 1.01;
}

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

std::vector<SheetImage> LayoutSheets(SheetCanvas& canvas, LayoutMode mode,
                                     const std::vector<SheetImage>& tall,
                                     const std::vector<SheetImage>& shortImages) {
    std::vector<SheetImage> failed;
    PlaceList(canvas, mode, tall, true, failed);
    // Short invoices never share a sheet with tall ones.
    if (!tall.empty() && !shortImages.empty())
        canvas.NewPage();
    PlaceList(canvas, mode, shortImages, false, failed);
    return failed;
}

}  // namespace vellumark
