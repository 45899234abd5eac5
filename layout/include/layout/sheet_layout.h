// Placing rendered invoice images on sheets: slots, drawn sizes, cut marks
// and page breaks for every layout mode.
#pragma once

#include "layout/layout_mode.h"
#include "layout/sheet_canvas.h"

#include <string>
#include <vector>

namespace vellumark {

// One rendered invoice image with its pixel size, as the render made it.
struct SheetImage {
    std::string path;
    int pixelWidth = 0;
    int pixelHeight = 0;
    int row = -1;  // the invoice row it shows, for the caller
};

// Draws the tall images, then the short ones, slot by slot onto the canvas,
// whose current page is the first blank sheet of the mode's size; adds
// pages as needed and never leaves an empty last page. Returns the images
// the canvas could not add: their slots stay empty (marks and page breaks
// as for any other image) rather than showing another invoice.
std::vector<SheetImage> LayoutSheets(SheetCanvas& canvas, LayoutMode mode,
                                     const std::vector<SheetImage>& tall,
                                     const std::vector<SheetImage>& shortImages);

// Whether a page of this size (millimetres, as the list shows it) is
// rendered turned a quarter for the mode's slots.
bool TurnsPage(LayoutMode mode, bool tall, double widthMm, double heightMm);

// The drawn sizes of the rules, exposed for their worked values.
int TallPortraitHeight(int hpx);
int ShortTwoPerSheetHeight(int hpx);
int TallLandscapeHeight(int hpx);
int ShortFourPerSheetHeight(int hpx, int wpx);
int TurnedWidth(LayoutMode mode, int wpx);

}  // namespace vellumark
