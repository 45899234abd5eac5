// Placing rendered invoice images on sheets: slots, drawn sizes, cut marks
// and page breaks for every layout mode.
#pragma once

#include "layout_mode.h"
#include "sheet_canvas.h"

#include <functional>
#include <string>
#include <vector>

namespace vellumark {

class PdfLibrary;

// One rendered invoice image with its pixel size (0 x 0 when it cannot be
// decoded).
struct SheetImage {
    std::string path;
    int pixelWidth = 0;
    int pixelHeight = 0;
};

// Reads the image once and measures both sides.
SheetImage MeasureSheetImage(const std::string& path);

// Draws the tall images, then the short ones, slot by slot onto the canvas,
// whose current page is the first blank sheet of the mode's size; adds
// pages as needed and never leaves an empty last page. Returns the paths of
// images the canvas could not add: their slots stay empty (marks and page
// breaks as for any other image) rather than showing another invoice.
// `placed` is called after each image's slot is done, so that a window can
// keep handling its events through a long layout.
using ImagePlaced = std::function<void()>;
std::vector<std::string> LayoutSheets(SheetCanvas& canvas, LayoutMode mode,
                                      const std::vector<SheetImage>& tall,
                                      const std::vector<SheetImage>& shortImages,
                                      const ImagePlaced& placed = {});

// The same on the library's current document, measuring each path.
std::vector<std::string> LayoutSheets(PdfLibrary& pdf, LayoutMode mode,
                                      const std::vector<std::string>& tall,
                                      const std::vector<std::string>& shortImages);

// The drawn sizes of the rules, exposed for their worked values.
int TallPortraitHeight(int hpx);
int ShortTwoPerSheetHeight(int hpx);
int TallLandscapeHeight(int hpx);
int ShortFourPerSheetHeight(int hpx, int wpx);
int TurnedWidth(LayoutMode mode, int wpx);

}  // namespace vellumark
