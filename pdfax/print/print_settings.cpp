#include "print/print_settings.h"

#include <algorithm>

namespace pdfax {
namespace {

bool InRange(int setting, int value) {
    switch (setting) {
        case kPaperSize:
            return value >= 0 && value <= 68;
        case kPaperLength:
        case kPaperWidth:
        case kCopies:
        case kPaperSource:
        case kMediaType:
            return value > 0;
        case kQuality:
            return value >= 1 && value <= 4800;
        case kColour:
            return value >= 1 && value <= 2;
        case kDuplex:
            return value >= 1 && value <= 3;
        case kCollate:
            return value >= 0 && value <= 1;
        case kOrientation:
            return value >= 1 && value <= 2;
        default:
            return false;
    }
}

struct NamedSize {
    int shortMm;
    int longMm;
    const char* name;
};

// Sheet sizes by their short and long edge.
constexpr NamedSize kNamedSizes[] = {
    {297, 420, "iso_a3_297x420mm"}, {210, 297, "iso_a4_210x297mm"}, {148, 210, "iso_a5_148x210mm"},
    {105, 148, "iso_a6_105x148mm"}, {250, 353, "iso_b4_250x353mm"}, {176, 250, "iso_b5_176x250mm"},
    {257, 364, "jis_b4_257x364mm"}, {182, 257, "jis_b5_182x257mm"},
};

// Windows paper codes that name one of the sizes above.
const char* PaperCodeMedia(int code) {
    switch (code) {
        case 1:
            return "na_letter_8.5x11in";
        case 5:
            return "na_legal_8.5x14in";
        case 8:
            return "iso_a3_297x420mm";
        case 9:
            return "iso_a4_210x297mm";
        case 11:
            return "iso_a5_148x210mm";
        case 12:
            return "jis_b4_257x364mm";
        case 13:
            return "jis_b5_182x257mm";
        default:
            return nullptr;
    }
}

const char* QualityValue(int quality) {
    switch (quality) {
        case 1:
            return "5";  // high
        case 2:
            return "4";  // normal
        case 3:
        case 4:
            return "3";  // draft
        default:
            return nullptr;
    }
}

const char* PaperSourceValue(int source) {
    switch (source) {
        case 1:
            return "top";
        case 2:
            return "bottom";
        case 4:
            return "manual";
        case 7:
            return "auto";
        default:
            return nullptr;
    }
}

}  // namespace

bool CustomPrinter::Apply(int setting, int value) {
    if (!InRange(setting, value))
        return false;
    values[setting] = value;
    return true;
}

std::optional<int> CustomPrinter::Get(int setting) const {
    if (setting < 1 || setting > kOrientation)
        return std::nullopt;
    return values[setting];
}

std::string MediaName(int widthMm, int lengthMm) {
    const int shortMm = std::min(widthMm, lengthMm);
    const int longMm = std::max(widthMm, lengthMm);
    for (const NamedSize& size : kNamedSizes)
        if (size.shortMm == shortMm && size.longMm == longMm)
            return size.name;
    return "Custom." + std::to_string(widthMm) + "x" + std::to_string(lengthMm) + "mm";
}

std::vector<std::pair<std::string, std::string>> JobOptions(const CustomPrinter& printer,
                                                            int firstPage, int lastPage) {
    std::vector<std::pair<std::string, std::string>> options;
    auto add = [&](const char* name, std::string value) {
        options.emplace_back(name, std::move(value));
    };

    // A length and width describe the sheet more exactly than a paper code,
    // as in a Windows device mode.
    const auto width = printer.Get(kPaperWidth);
    const auto length = printer.Get(kPaperLength);
    const auto paper = printer.Get(kPaperSize);
    if (width && length)
        add("media", MediaName(*width, *length));
    else if (paper && PaperCodeMedia(*paper))
        add("media", PaperCodeMedia(*paper));

    if (auto orientation = printer.Get(kOrientation))
        add("orientation-requested", *orientation == 2 ? "4" : "3");
    if (auto copies = printer.Get(kCopies))
        add("copies", std::to_string(*copies));
    if (auto quality = printer.Get(kQuality)) {
        if (const char* value = QualityValue(*quality))
            add("print-quality", value);
        else if (*quality > 10)
            add("printer-resolution", std::to_string(*quality) + "dpi");
    }
    if (auto duplex = printer.Get(kDuplex)) {
        static const char* const sides[] = {"", "one-sided", "two-sided-long-edge",
                                            "two-sided-short-edge"};
        add("sides", sides[*duplex]);
    }
    // Plain paper is "stationery" among the standard media types.
    if (auto mediaType = printer.Get(kMediaType); mediaType && *mediaType == 1)
        add("media-type", "stationery");
    if (auto colour = printer.Get(kColour))
        add("print-color-mode", *colour == 2 ? "color" : "monochrome");
    if (auto collate = printer.Get(kCollate))
        add("multiple-document-handling", *collate == 1 ? "separate-documents-collated-copies"
                                                        : "separate-documents-uncollated-copies");
    if (auto source = printer.Get(kPaperSource); source && PaperSourceValue(*source))
        add("media-source", PaperSourceValue(*source));

    add("page-ranges", std::to_string(firstPage) + "-" + std::to_string(lastPage));
    return options;
}

}  // namespace pdfax
