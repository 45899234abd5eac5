// The settings of a custom printer, as SetupCustomPrinter takes them (Windows
// printer-setting codes), and their translation into spooler job options.
#pragma once

#include "spooler.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pdfax {

enum PrinterSetting : int {
    kPaperSize = 1,    // Windows paper code; 0 is a size given by length and width
    kPaperLength = 2,  // millimetres
    kPaperWidth = 3,   // millimetres
    kCopies = 4,
    kQuality = 5,  // 1..4 high, medium, low, draft; above 10 dots per inch
    kColour = 6,   // 1 monochrome, 2 colour
    kDuplex = 7,   // 1 simplex, 2 vertical (long edge), 3 horizontal (short edge)
    kCollate = 8,  // 0 off, 1 on
    kPaperSource = 9,
    kMediaType = 10,   // 1 standard paper
    kOrientation = 11  // 1 portrait, 2 landscape
};

// Only the settings that were accepted hold a value.
struct CustomPrinter {
    std::string printer;
    std::optional<int> values[12];

    // Stores the setting when the value lies in its accepted range; returns
    // whether it did. A refused value leaves the setting as it was.
    bool Apply(int setting, int value);
    std::optional<int> Get(int setting) const;
};

// The job options that carry the printer's accepted settings and the page
// range first..last. A setting that was never accepted sends nothing, so the
// printer's own default applies.
std::vector<std::pair<std::string, std::string>> JobOptions(const CustomPrinter& printer,
                                                            int firstPage, int lastPage);

// The media name for a sheet of width x length millimetres: a standard size
// when the sheet is one (in either direction), else a custom size.
std::string MediaName(int widthMm, int lengthMm);

}  // namespace pdfax
