// The resources pages draw with: fonts, colour spaces, drawing parameters
// and images, gathered from the document's resource entries and a page's own.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "xml.h"

namespace ofd {

struct FontRes {
    std::string name;    // FontName, UTF-8
    std::string family;  // FamilyName
    std::string file;    // the embedded font's entry; empty when only named
    bool bold = false;
    bool italic = false;
};

struct MediaRes {
    std::string format;  // as declared, upper-cased; may be empty
    std::string entry;
};

struct Resources {
    std::map<std::string, FontRes> fonts;
    std::map<std::string, std::string> colorSpaces;  // id -> "RGB", "GRAY", "CMYK"
    std::map<std::string, const XmlNode*> drawParams;
    std::map<std::string, MediaRes> media;

    // Adds what the resource entry `entry` (parsed as `res`) declares. The
    // node must outlive these resources.
    void Add(const XmlNode& res, const std::string& entry);
};

// A drawing parameter set after following its Relative chain: only what is
// set anywhere on the chain is set.
struct Style {
    std::optional<double> lineWidth, miterLimit, dashOffset;
    std::optional<std::string> join, cap;
    std::optional<std::vector<double>> dash;
    const XmlNode* fill = nullptr;
    const XmlNode* stroke = nullptr;

    // Values set on `node` (a DrawParam, or a graphic object carrying the
    // same attributes and colour children) override those here.
    void Override(const XmlNode& node);
};

// The style of DrawParam `id` over `base`; `base` when the id is unknown.
Style ResolveDrawParam(const Resources& res, const std::string& id, Style base);

}  // namespace ofd
