#include "resources.h"

#include "geometry.h"
#include "package.h"

namespace ofd {
namespace {

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// Relative chains longer than this are cycles or nonsense.
constexpr int kMaxRelatives = 16;

}  // namespace

void Resources::Add(const XmlNode& res, const std::string& entry) {
    const std::string& baseLoc = res.Attr("BaseLoc");
    const std::string folder = baseLoc.empty() ? FolderOf(entry) : Resolve(entry, baseLoc) + "/";
    for (const XmlNode& group : res.children) {
        for (const XmlNode& item : group.children) {
            const std::string& id = item.Attr("ID");
            if (id.empty())
                continue;
            if (item.name == "Font") {
                FontRes font;
                font.name = item.Attr("FontName");
                font.family = item.Attr("FamilyName");
                const std::string& file = item.ChildText("FontFile");
                if (!file.empty())
                    font.file = ResolveIn(folder, file);
                font.bold = item.Attr("Bold") == "true";
                font.italic = item.Attr("Italic") == "true";
                fonts[id] = std::move(font);
            } else if (item.name == "ColorSpace") {
                colorSpaces[id] = Upper(item.Attr("Type"));
            } else if (item.name == "DrawParam") {
                drawParams[id] = &item;
            } else if (item.name == "MultiMedia") {
                const std::string& file = item.ChildText("MediaFile");
                if (!file.empty())
                    media[id] = MediaRes{Upper(item.Attr("Format")), ResolveIn(folder, file)};
            }
        }
    }
}

void Style::Override(const XmlNode& node) {
    auto number = [&](const char* key, std::optional<double>& into) {
        if (node.HasAttr(key)) {
            const double value = ParseNumber(node.Attr(key), -1);
            if (value >= 0)
                into = value;
        }
    };
    number("LineWidth", lineWidth);
    number("MiterLimit", miterLimit);
    number("DashOffset", dashOffset);
    if (node.HasAttr("Join"))
        join = node.Attr("Join");
    if (node.HasAttr("Cap"))
        cap = node.Attr("Cap");
    if (node.HasAttr("DashPattern"))
        if (auto pattern = ParseNumbers(node.Attr("DashPattern")))
            dash = std::move(*pattern);
    if (const XmlNode* color = node.Child("FillColor"))
        fill = color;
    if (const XmlNode* color = node.Child("StrokeColor"))
        stroke = color;
}

Style ResolveDrawParam(const Resources& res, const std::string& id, Style base) {
    std::vector<const XmlNode*> chain;
    std::string next = id;
    while (!next.empty() && chain.size() < kMaxRelatives) {
        const auto found = res.drawParams.find(next);
        if (found == res.drawParams.end())
            break;
        chain.push_back(found->second);
        next = found->second->Attr("Relative");
    }
    // The farthest relative first, so nearer ones override it.
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        base.Override(**it);
    return base;
}

}  // namespace ofd
