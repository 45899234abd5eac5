// A small tree of an XML entry, read with QXmlStreamReader. Names are local
// (prefixes dropped: producers disagree on them, and some write elements
// without any), texts are UTF-8 with CDATA joined in.
#pragma once

#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "ofd/ofd.h"

namespace ofd {

struct XmlNode {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string text;
    std::vector<XmlNode> children;

    // The attribute's value; `fallback` when absent.
    const std::string& Attr(const char* key, const std::string& fallback = Empty()) const;
    bool HasAttr(const char* key) const;
    // The first child of that name, or null.
    const XmlNode* Child(const char* childName) const;
    // The text of the first child of that name, or "".
    const std::string& ChildText(const char* childName) const;

    static const std::string& Empty();
};

// The children of `node`, none when it is null.
const std::vector<XmlNode>& ChildrenOf(const XmlNode* node);

// `entry` only names the entry in errors. Document type declarations are
// refused outright: invoices have none, and entity expansion is the one way
// a small XML entry grows without bound.
std::variant<XmlNode, Error> ParseXml(const std::string& bytes, const std::string& entry);

}  // namespace ofd
