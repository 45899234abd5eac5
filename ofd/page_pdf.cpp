#include "page_pdf.h"

#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>

#include "content_writer.h"
#include "error_words.h"
#include "pdf_images.h"
#include "seal.h"

namespace ofd {
namespace {

constexpr double kPointsPerMm = 72 / 25.4;

QPDFObjectHandle Numbers(std::initializer_list<double> values) {
    auto array = QPDFObjectHandle::newArray();
    for (double v : values)
        array.appendItem(QPDFObjectHandle::newReal(v, 4));
    return array;
}

void AppendMatrix(std::string& out, const Matrix& m) {
    for (double v : {m.a, m.b, m.c, m.d, m.e, m.f})
        AppendNumber(out, v);
    out += "cm\n";
}

// Templates of the page in the given order, each under or over the content.
void Templates(ContentWriter& writer, const Model& model, const PageInfo& page, bool foreground) {
    for (const XmlNode& child : page.xml->children) {
        if (child.name != "Template")
            continue;
        const bool over = child.Attr("ZOrder") == "Foreground";
        const auto found = model.templates.find(child.Attr("TemplateID"));
        if (over == foreground && found != model.templates.end())
            writer.Content(found->second.xml->Child("Content"));
    }
}

void Annotations(ContentWriter& writer, std::string& out, const Model& model,
                 const PageInfo& page) {
    const auto found = model.annots.find(page.id);
    if (found == model.annots.end())
        return;
    for (const XmlNode* annot : found->second) {
        const XmlNode* look = annot->Child("Appearance");
        if (!look || annot->Attr("Visible") == "false" || annot->Attr("Print") == "false")
            continue;
        const Box box = ParseBox(look->Attr("Boundary")).value_or(Box{});
        out += "q\n";
        AppendMatrix(out, Matrix::Translate(box.x, box.y));
        writer.Objects(*look, Style{});
        out += "Q\n";
    }
}

// Draws `what` (an XObject spanning `size` in its own millimetres, origin
// at `origin`) into the stamp's boundary, keeping its proportions.
void PlaceInBox(std::string& out, const Box& boundary, const Box& size, const std::string& what) {
    const double scale = std::min(boundary.width / size.width, boundary.height / size.height);
    const double x = boundary.x + (boundary.width - size.width * scale) / 2;
    const double y = boundary.y + (boundary.height - size.height * scale) / 2;
    out += "q\n";
    AppendMatrix(out, Matrix::Translate(-size.x, -size.y)
                          .Then(Matrix::Scale(scale, scale))
                          .Then(Matrix::Translate(x, y)));
    out += what + " Do\nQ\n";
}

// A seal drawn as an OFD package: its first page as a form.
std::variant<QPDFObjectHandle, Error> SealForm(QPDF& pdf, const std::string& bytes, Box& box,
                                               std::vector<Error>& omitted, int nesting);

std::optional<Error> DrawSeal(PdfResources& res, std::string& out, const StampInfo& stamp) {
    const Model& model = res.model();
    auto der = model.package->Read(stamp.signedValue);
    if (auto* error = std::get_if<Error>(&der))
        return Fail(kWordsSealUnknown, error->detail);
    auto picture = ReadSealPicture(std::get<std::string>(der));
    if (auto* error = std::get_if<Error>(&picture))
        return std::move(*error);
    SealPicture& seal = std::get<SealPicture>(picture);
    if (!(stamp.boundary.width > 0 && stamp.boundary.height > 0))
        return Fail(kWordsSealUnknown, "stamp boundary without area");
    if (seal.type == "ofd") {
        Box size;
        auto form = SealForm(res.pdf(), seal.data, size, res.omitted(), model.nesting + 1);
        if (auto* error = std::get_if<Error>(&form))
            return Fail(kWordsSealUnknown, error->words + ": " + error->detail);
        PlaceInBox(out, stamp.boundary, size, res.AddXObject(std::get<QPDFObjectHandle>(form)));
        return std::nullopt;
    }
    auto image = MakeImage(res.pdf(), seal.data, stamp.signedValue);
    if (auto* error = std::get_if<Error>(&image))
        return Fail(kWordsSealUnknown, "picture of type " + seal.type + ": " + error->detail);
    // A picture fills the boundary, as the unit square of an image does.
    out += "q\n";
    AppendMatrix(out, Matrix{stamp.boundary.width, 0, 0, -stamp.boundary.height, stamp.boundary.x,
                             stamp.boundary.y + stamp.boundary.height});
    out += res.AddXObject(std::get<QPDFObjectHandle>(image)) + " Do\nQ\n";
    return std::nullopt;
}

// Everything drawn on `page`, in OFD space, with its resources.
std::string PageContent(PdfResources& res, const PageInfo& page) {
    std::string out;
    ContentWriter writer(res, out);
    const Model& model = res.model();
    Templates(writer, model, page, false);
    writer.Content(page.xml->Child("Content"));
    Templates(writer, model, page, true);
    Annotations(writer, out, model, page);
    for (const StampInfo& stamp : model.stamps)
        if (stamp.pageId == page.id)
            if (auto error = DrawSeal(res, out, stamp))
                res.omitted().push_back(std::move(*error));
    return out;
}

std::variant<QPDFObjectHandle, Error> SealForm(QPDF& pdf, const std::string& bytes, Box& box,
                                               std::vector<Error>& omitted, int nesting) {
    auto package = Package::FromBytes(bytes);
    if (auto* error = std::get_if<Error>(&package))
        return std::move(*error);
    auto loaded = LoadModel(std::move(std::get<std::unique_ptr<Package>>(package)), nesting);
    if (auto* error = std::get_if<Error>(&loaded))
        return std::move(*error);
    const Model& model = *std::get<std::unique_ptr<Model>>(loaded);
    const PageInfo& page = model.pages.front();
    PdfResources res(pdf, model, model.ResOf(page), omitted);
    std::string content = PageContent(res, page);
    box = page.box;
    auto form = QPDFObjectHandle::newStream(&pdf, std::move(content));
    auto dict = form.getDict();
    dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
    dict.replaceKey("/BBox", Numbers({box.x, box.y, box.x + box.width, box.y + box.height}));
    dict.replaceKey("/Resources", res.Finish());
    return form;
}

}  // namespace

std::variant<PagePdf, Error> ConvertPage(const Model& model, int index) {
    if (index < 0 || index >= static_cast<int>(model.pages.size()))
        return Fail(kWordsNoSuchPage,
                    "page " + std::to_string(index) + " of " + std::to_string(model.pages.size()));
    const PageInfo& page = model.pages[static_cast<std::size_t>(index)];
    PagePdf result;
    try {
        QPDF pdf;
        pdf.emptyPDF();
        PdfResources res(pdf, model, model.ResOf(page), result.omitted);
        // Millimetres with y downwards from the box's corner, into points.
        std::string content;
        AppendMatrix(content, Matrix{kPointsPerMm, 0, 0, -kPointsPerMm, -page.box.x * kPointsPerMm,
                                     (page.box.y + page.box.height) * kPointsPerMm});
        content += PageContent(res, page);
        auto dict = QPDFObjectHandle::newDictionary();
        dict.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
        dict.replaceKey("/MediaBox", Numbers({0, 0, page.box.width * kPointsPerMm,
                                              page.box.height * kPointsPerMm}));
        dict.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, content));
        dict.replaceKey("/Resources", res.Finish());
        QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(dict)),
                                            false);
        QPDFWriter writer(pdf);
        writer.setOutputMemory();
        writer.setStreamDataMode(qpdf_s_preserve);
        writer.write();
        auto buffer = writer.getBufferSharedPointer();
        result.pdf.assign(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
    } catch (const std::exception& e) {
        return Fail(kWordsPdfFailed, page.entry + ": qpdf: " + e.what());
    }
    return result;
}

}  // namespace ofd
