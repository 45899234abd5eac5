// The settings of a custom printer, as SetupCustomPrinter takes them, and
// their translation into spooler job options.
#pragma once

#include "print/spooler.h"

#include <pdfax/library.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pdfax {

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
