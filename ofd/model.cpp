#include "model.h"

#include "bounds.h"
#include "error_words.h"

namespace ofd {
namespace {

std::variant<std::unique_ptr<XmlNode>, Error> ReadXml(const Package& package,
                                                      const std::string& entry) {
    auto bytes = package.Read(entry);
    if (auto* error = std::get_if<Error>(&bytes))
        return std::move(*error);
    auto node = ParseXml(std::get<std::string>(bytes), entry);
    if (auto* error = std::get_if<Error>(&node))
        return std::move(*error);
    return std::make_unique<XmlNode>(std::move(std::get<XmlNode>(node)));
}

// Reads a resource entry into `res`; a missing or broken one is only noted,
// as the pages may not need what it holds.
void AddRes(Model& model, Resources& res, const std::string& entry) {
    auto xml = ReadXml(*model.package, entry);
    if (auto* error = std::get_if<Error>(&xml)) {
        model.notes.push_back(std::move(*error));
        return;
    }
    model.keep.push_back(std::move(std::get<std::unique_ptr<XmlNode>>(xml)));
    res.Add(*model.keep.back(), entry);
}

std::optional<Error> LoadTemplate(Model& model, const std::string& id) {
    if (model.templates.count(id))
        return std::nullopt;
    const XmlNode* common = model.document->Child("CommonData");
    for (const XmlNode& item : ChildrenOf(common)) {
        if (item.name != "TemplatePage" || item.Attr("ID") != id)
            continue;
        const std::string entry = Resolve(model.documentEntry, item.Attr("BaseLoc"));
        auto xml = ReadXml(*model.package, entry);
        if (auto* error = std::get_if<Error>(&xml))
            return std::move(*error);
        model.templates[id] = {entry, std::move(std::get<std::unique_ptr<XmlNode>>(xml))};
        return std::nullopt;
    }
    return Fail(kWordsMissingPart, "template " + id + " is not declared");
}

std::optional<Box> AreaBox(const XmlNode* node) {
    const XmlNode* area = node ? node->Child("Area") : nullptr;
    if (!area)
        area = node ? node->Child("PageArea") : nullptr;
    return area ? ParseBox(area->ChildText("PhysicalBox")) : std::nullopt;
}

std::optional<Error> LoadPage(Model& model, const XmlNode& item) {
    PageInfo page;
    page.id = item.Attr("ID");
    page.entry = Resolve(model.documentEntry, item.Attr("BaseLoc"));
    auto xml = ReadXml(*model.package, page.entry);
    if (auto* error = std::get_if<Error>(&xml))
        return std::move(*error);
    page.xml = std::move(std::get<std::unique_ptr<XmlNode>>(xml));
    std::optional<Box> box = AreaBox(page.xml.get());
    for (const XmlNode& child : page.xml->children) {
        if (child.name == "Template") {
            if (auto error = LoadTemplate(model, child.Attr("TemplateID")))
                return error;
            if (!box)
                box = AreaBox(model.templates[child.Attr("TemplateID")].xml.get());
        } else if (child.name == "PageRes") {
            if (!page.res)
                page.res = std::make_unique<Resources>(model.res);
            AddRes(model, *page.res, Resolve(page.entry, child.text));
        }
    }
    if (!box)
        box = AreaBox(model.document->Child("CommonData"));
    if (!box)
        box = Box{0, 0, 210, 297};
    if (!(box->width > 0 && box->height > 0 && box->width <= kMaxPageMm &&
          box->height <= kMaxPageMm))
        return Fail(kWordsBadPageSize, page.entry + ": physical box " + std::to_string(box->width) +
                                           " x " + std::to_string(box->height) + " mm");
    page.box = *box;
    model.pages.push_back(std::move(page));
    return std::nullopt;
}

void LoadAnnotations(Model& model) {
    const std::string& ref = model.document->ChildText("Annotations");
    if (ref.empty())
        return;
    const std::string list = Resolve(model.documentEntry, ref);
    auto xml = ReadXml(*model.package, list);
    if (auto* error = std::get_if<Error>(&xml))
        return model.notes.push_back(std::move(*error));
    model.keep.push_back(std::move(std::get<std::unique_ptr<XmlNode>>(xml)));
    const XmlNode& annotations = *model.keep.back();
    for (const XmlNode& page : annotations.children) {
        if (page.name != "Page")
            continue;
        auto one = ReadXml(*model.package, Resolve(list, page.ChildText("FileLoc")));
        if (auto* error = std::get_if<Error>(&one)) {
            model.notes.push_back(std::move(*error));
            continue;
        }
        model.keep.push_back(std::move(std::get<std::unique_ptr<XmlNode>>(one)));
        for (const XmlNode& annot : model.keep.back()->children)
            if (annot.name == "Annot")
                model.annots[page.Attr("PageID")].push_back(&annot);
    }
}

void LoadSignature(Model& model, const std::string& entry) {
    auto xml = ReadXml(*model.package, entry);
    if (auto* error = std::get_if<Error>(&xml))
        return model.notes.push_back(std::move(*error));
    const XmlNode& signature = *std::get<std::unique_ptr<XmlNode>>(xml);
    const XmlNode* info = signature.Child("SignedInfo");
    const std::string value = Resolve(entry, signature.ChildText("SignedValue"));
    for (const XmlNode& child : ChildrenOf(info)) {
        if (child.name != "StampAnnot")
            continue;
        if (auto box = ParseBox(child.Attr("Boundary")))
            model.stamps.push_back({child.Attr("PageRef"), *box, value});
    }
}

void LoadSignatures(Model& model, const XmlNode& body) {
    const std::string& ref = body.ChildText("Signatures");
    if (ref.empty() || model.nesting >= kMaxNesting)
        return;
    const std::string list = ResolveIn("", ref);
    auto xml = ReadXml(*model.package, list);
    if (auto* error = std::get_if<Error>(&xml))
        return model.notes.push_back(std::move(*error));
    for (const XmlNode& item : std::get<std::unique_ptr<XmlNode>>(xml)->children)
        if (item.name == "Signature")
            LoadSignature(model, Resolve(list, item.Attr("BaseLoc")));
}

}  // namespace

std::variant<std::unique_ptr<Model>, Error> LoadModel(std::unique_ptr<Package> package,
                                                      int nesting) {
    auto model = std::make_unique<Model>();
    model->package = std::move(package);
    model->nesting = nesting;
    if (!model->package->Has("OFD.xml"))
        return Fail(kWordsNoOfdXml, "no entry OFD.xml");
    auto ofdXml = ReadXml(*model->package, "OFD.xml");
    if (auto* error = std::get_if<Error>(&ofdXml))
        return std::move(*error);
    model->ofd = std::move(std::get<std::unique_ptr<XmlNode>>(ofdXml));
    const XmlNode* body = model->ofd->Child("DocBody");
    if (!body || body->ChildText("DocRoot").empty())
        return Fail(kWordsMissingPart, "OFD.xml names no document");
    model->documentEntry = ResolveIn("", body->ChildText("DocRoot"));
    auto documentXml = ReadXml(*model->package, model->documentEntry);
    if (auto* error = std::get_if<Error>(&documentXml))
        return std::move(*error);
    model->document = std::move(std::get<std::unique_ptr<XmlNode>>(documentXml));
    if (const XmlNode* common = model->document->Child("CommonData"))
        for (const XmlNode& item : common->children)
            if (item.name == "PublicRes" || item.name == "DocumentRes")
                AddRes(*model, model->res, Resolve(model->documentEntry, item.text));
    const XmlNode* pages = model->document->Child("Pages");
    for (const XmlNode& item : ChildrenOf(pages)) {
        if (item.name != "Page")
            continue;
        if (model->pages.size() >= static_cast<std::size_t>(kMaxPages))
            return Fail(kWordsTooLarge, "more than " + std::to_string(kMaxPages) + " pages");
        if (auto error = LoadPage(*model, item))
            return std::move(*error);
    }
    if (model->pages.empty())
        return Fail(kWordsNoPages, model->documentEntry + ": no pages");
    LoadAnnotations(*model);
    LoadSignatures(*model, *body);
    return model;
}

}  // namespace ofd
