// Facts that only the page shows, found through the custom tags that point
// at the text objects holding them, and the page's title.
#include <functional>

#include "invoice_data.h"

namespace ofd {

namespace {

// The text of the objects with these IDs on any page or template, joined.
std::string ObjectText(const Model& model, const std::vector<std::string>& ids) {
    std::string text;
    std::function<void(const XmlNode&)> walk = [&](const XmlNode& node) {
        for (const XmlNode& child : node.children) {
            if (child.name == "TextObject") {
                for (const std::string& id : ids)
                    if (child.Attr("ID") == id)
                        for (const XmlNode& code : child.children)
                            text += code.text;
            } else {
                walk(child);
            }
        }
    };
    for (const PageInfo& page : model.pages)
        walk(*page.xml);
    return text;
}

// Leaf tags: the element name and the object IDs it points at.
void TagRefs(const XmlNode& node, std::map<std::string, std::vector<std::string>>& refs) {
    for (const XmlNode& child : node.children) {
        if (child.name == "ObjectRef")
            refs[node.name].push_back(child.text);
        else
            TagRefs(child, refs);
    }
}

}  // namespace

void FromTags(InvoiceData& data, const Model& model, std::vector<std::unique_ptr<XmlNode>>& keep) {
    const std::string& ref = model.document->ChildText("CustomTags");
    if (ref.empty())
        return;
    const std::string list = Resolve(model.documentEntry, ref);
    const XmlNode* tags = ReadOptionalXml(model, list, keep);
    for (const XmlNode& tag : ChildrenOf(tags)) {
        const std::string entry = Resolve(list, tag.ChildText("FileLoc"));
        const XmlNode* root = ReadOptionalXml(model, entry, keep);
        if (!root)
            continue;
        std::map<std::string, std::vector<std::string>> refs;
        TagRefs(*root, refs);
        XmlNode flat;  // the tagged texts as elements, read like invoice XML
        flat.name = "tags";
        for (const auto& [name, ids] : refs) {
            XmlNode item;
            item.name = name;
            item.text = ObjectText(model, ids);
            flat.children.push_back(std::move(item));
        }
        FromElements(data, flat, entry);
    }
}

std::string PageTitle(const Model& model) {
    // The largest text naming an invoice on the first page or its templates.
    std::string best;
    double bestSize = 0;
    std::function<void(const XmlNode&)> walk = [&](const XmlNode& node) {
        for (const XmlNode& child : node.children) {
            if (child.name != "TextObject") {
                walk(child);
                continue;
            }
            std::string text;
            for (const XmlNode& code : child.children)
                text += code.text;
            const double size = ParseNumber(child.Attr("Size"), 0);
            if (size > bestSize && !KindOfTitle(text).empty())
                best = text, bestSize = size;
        }
    };
    const PageInfo& first = model.pages.front();
    walk(*first.xml);
    for (const XmlNode& child : first.xml->children)
        if (child.name == "Template" && model.templates.count(child.Attr("TemplateID")))
            walk(*model.templates.at(child.Attr("TemplateID")).xml);
    return best;
}

}  // namespace ofd
