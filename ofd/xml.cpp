#include "xml.h"

#include <QXmlStreamReader>

#include "bounds.h"
#include "error_words.h"

namespace ofd {

const std::string& XmlNode::Empty() {
    static const std::string empty;
    return empty;
}

const std::string& XmlNode::Attr(const char* key, const std::string& fallback) const {
    for (const auto& [name, value] : attributes)
        if (name == key)
            return value;
    return fallback;
}

bool XmlNode::HasAttr(const char* key) const {
    for (const auto& attribute : attributes)
        if (attribute.first == key)
            return true;
    return false;
}

const XmlNode* XmlNode::Child(const char* childName) const {
    for (const XmlNode& child : children)
        if (child.name == childName)
            return &child;
    return nullptr;
}

const std::string& XmlNode::ChildText(const char* childName) const {
    const XmlNode* child = Child(childName);
    return child ? child->text : Empty();
}

const std::vector<XmlNode>& ChildrenOf(const XmlNode* node) {
    static const std::vector<XmlNode> none;
    return node ? node->children : none;
}

std::variant<XmlNode, Error> ParseXml(const std::string& bytes, const std::string& entry) {
    QXmlStreamReader reader(
        QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
    // The root sits in a holder so the stack never empties while reading.
    XmlNode holder;
    std::vector<XmlNode*> stack{&holder};
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
            case QXmlStreamReader::DTD:
                return Fail(kWordsDtd, entry + ": has a document type declaration");
            case QXmlStreamReader::EntityReference:
                return Fail(kWordsDtd, entry + ": refers to an entity");
            case QXmlStreamReader::StartElement: {
                if (stack.size() > static_cast<std::size_t>(kMaxXmlDepth))
                    return Fail(kWordsBadXml, entry + ": nested too deep");
                if (stack.size() == 1 && !holder.children.empty())
                    return Fail(kWordsBadXml, entry + ": second root element");
                XmlNode node;
                node.name = reader.name().toString().toStdString();
                for (const QXmlStreamAttribute& a : reader.attributes())
                    node.attributes.emplace_back(a.name().toString().toStdString(),
                                                 a.value().toString().toStdString());
                stack.back()->children.push_back(std::move(node));
                stack.push_back(&stack.back()->children.back());
                break;
            }
            case QXmlStreamReader::EndElement:
                stack.pop_back();
                break;
            case QXmlStreamReader::Characters:
                if (!reader.isWhitespace() || reader.isCDATA())
                    stack.back()->text += reader.text().toString().toStdString();
                break;
            default:
                break;
        }
    }
    if (reader.hasError())
        return Fail(kWordsBadXml, entry + ": " + reader.errorString().toStdString() + " at line " +
                                      std::to_string(reader.lineNumber()));
    if (holder.children.empty())
        return Fail(kWordsBadXml, entry + ": no element");
    return std::move(holder.children.front());
}

}  // namespace ofd
