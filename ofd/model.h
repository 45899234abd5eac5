// An opened OFD package: the structure read at open, kept for converting
// pages and reading metadata later.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "geometry.h"
#include "package.h"
#include "resources.h"
#include "xml.h"

namespace ofd {

struct PageInfo {
    std::string id;
    std::string entry;
    std::unique_ptr<XmlNode> xml;
    Box box;
    // The page's own resources over the document's; null when it has none.
    std::unique_ptr<Resources> res;
};

struct TemplateInfo {
    std::string entry;
    std::unique_ptr<XmlNode> xml;
};

// Where a signature's seal is to be drawn.
struct StampInfo {
    std::string pageId;
    Box boundary;
    std::string signedValue;  // entry of the DER seal
};

struct Model {
    std::unique_ptr<Package> package;
    std::unique_ptr<XmlNode> ofd;
    std::unique_ptr<XmlNode> document;
    std::string documentEntry;
    std::vector<std::unique_ptr<XmlNode>> keep;  // resource and annotation trees
    Resources res;
    std::vector<PageInfo> pages;
    std::map<std::string, TemplateInfo> templates;
    std::map<std::string, std::vector<const XmlNode*>> annots;  // page id -> Annot nodes
    std::vector<StampInfo> stamps;
    // Parts whose trouble does not stop the pages from being shown.
    std::vector<Error> notes;
    int nesting = 0;

    const Resources& ResOf(const PageInfo& page) const { return page.res ? *page.res : res; }
};

// Reads the structure of the first document of `package`. Seals drawn as
// OFD packages are opened with `nesting` 1 and their own seals ignored.
std::variant<std::unique_ptr<Model>, Error> LoadModel(std::unique_ptr<Package> package,
                                                      int nesting);

}  // namespace ofd
