#include "content_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "path_data.h"
#include "pdf_images.h"

namespace ofd {
namespace {

// Line width, miter limit: what the format takes when none is given.
constexpr double kDefaultLineWidth = 0.353;
constexpr double kDefaultMiterLimit = 3.528;

// A colour's value: numbers or "#hex" components.
std::vector<double> ColorValues(const std::string& text) {
    std::vector<double> values;
    std::size_t start = 0;
    while (start < text.size() && values.size() < 8) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        const std::string item = text.substr(start, end - start);
        if (!item.empty()) {
            char* stop = nullptr;
            const double value = item[0] == '#'
                                     ? static_cast<double>(std::strtol(item.c_str() + 1, &stop, 16))
                                     : std::strtod(item.c_str(), &stop);
            values.push_back(std::isfinite(value) ? value : 0);
        }
        start = end + 1;
    }
    return values;
}

int AlphaOf(const XmlNode& node) {
    return std::clamp(static_cast<int>(ParseNumber(node.Attr("Alpha"), 255)), 0, 255);
}

}  // namespace

PdfResources::PdfResources(QPDF& pdf, const Model& model, const Resources& res,
                           std::vector<Error>& omitted)
    : pdf_(pdf),
      model_(model),
      res_(res),
      omitted_(omitted),
      fonts_(pdf, model, res, omitted),
      xobjects_(QPDFObjectHandle::newDictionary()),
      states_(QPDFObjectHandle::newDictionary()) {}

std::string PdfResources::AddXObject(QPDFObjectHandle object) {
    const std::string name = "/X" + std::to_string(xobjects_.getKeys().size() + 1);
    xobjects_.replaceKey(name, object);
    return name;
}

std::string PdfResources::Image(const std::string& id) {
    const auto cached = images_.find(id);
    if (cached != images_.end())
        return cached->second;
    std::string& name = images_[id];
    const auto media = res_.media.find(id);
    if (media == res_.media.end()) {
        omitted_.push_back({"图片缺失", "no multimedia resource " + id});
        return name;
    }
    auto bytes = model_.package->Read(media->second.entry);
    if (auto* error = std::get_if<Error>(&bytes)) {
        omitted_.push_back(std::move(*error));
        return name;
    }
    auto image = MakeImage(pdf_, std::get<std::string>(bytes), media->second.entry);
    if (auto* error = std::get_if<Error>(&image))
        omitted_.push_back(std::move(*error));
    else
        name = AddXObject(std::get<QPDFObjectHandle>(image));
    return name;
}

std::string PdfResources::State(int fillAlpha, int strokeAlpha, const std::string& blend) {
    const std::string key =
        std::to_string(fillAlpha) + "/" + std::to_string(strokeAlpha) + "/" + blend;
    std::string& name = stateNames_[key];
    if (!name.empty())
        return name;
    name = "/GS" + std::to_string(stateNames_.size());
    auto state = QPDFObjectHandle::newDictionary();
    state.replaceKey("/ca", QPDFObjectHandle::newReal(fillAlpha / 255.0, 3));
    state.replaceKey("/CA", QPDFObjectHandle::newReal(strokeAlpha / 255.0, 3));
    if (!blend.empty())
        state.replaceKey("/BM", QPDFObjectHandle::newName("/" + blend));
    states_.replaceKey(name, state);
    return name;
}

QPDFObjectHandle PdfResources::Finish() {
    auto resources = QPDFObjectHandle::newDictionary();
    auto fonts = QPDFObjectHandle::newDictionary();
    fonts_.Finish(fonts);
    if (!fonts.getKeys().empty())
        resources.replaceKey("/Font", fonts);
    if (!xobjects_.getKeys().empty())
        resources.replaceKey("/XObject", xobjects_);
    if (!states_.getKeys().empty())
        resources.replaceKey("/ExtGState", states_);
    return resources;
}

void ContentWriter::Content(const XmlNode* content) {
    // Background layers first and foreground ones last, whatever their order.
    for (const char* pass : {"Background", "Body", "Foreground"}) {
        for (const XmlNode& layer : ChildrenOf(content)) {
            if (layer.name != "Layer")
                continue;
            std::string type = layer.Attr("Type", "Body");
            if (type != "Background" && type != "Foreground")
                type = "Body";
            if (type != pass)
                continue;
            Objects(layer, ResolveDrawParam(pdf_.res(), layer.Attr("DrawParam"), Style{}));
        }
    }
}

void ContentWriter::Objects(const XmlNode& node, const Style& style) {
    for (const XmlNode& child : node.children) {
        if (child.name == "PageBlock")
            Objects(child, style);
        else
            Object(child, style);
    }
}

void ContentWriter::Object(const XmlNode& object, const Style& inherited) {
    if (object.name != "PathObject" && object.name != "TextObject" && object.name != "ImageObject")
        return;
    Style style = ResolveDrawParam(pdf_.res(), object.Attr("DrawParam"), inherited);
    style.Override(object);
    if (object.name == "PathObject")
        PathObject(object, style);
    else if (object.name == "TextObject")
        TextObject(object, style);
    else
        ImageObject(object);
}

bool ContentWriter::Begin(const XmlNode& object) {
    if (object.Attr("Visible") == "false")
        return false;
    const Box box = ParseBox(object.Attr("Boundary")).value_or(Box{});
    out_ += "q\n1 0 0 1 ";
    AppendNumber(out_, box.x);
    AppendNumber(out_, box.y);
    out_ += "cm\n";
    if (const XmlNode* clips = object.Child("Clips"))
        Clips(*clips);
    if (auto ctm = ParseMatrix(object.Attr("CTM"))) {
        for (double v : {ctm->a, ctm->b, ctm->c, ctm->d, ctm->e, ctm->f})
            AppendNumber(out_, v);
        out_ += "cm\n";
    }
    return true;
}

void ContentWriter::Clips(const XmlNode& clips) {
    for (const XmlNode& clip : clips.children) {
        std::string path;
        bool evenOdd = false, usable = true;
        for (const XmlNode& area : clip.children) {
            const XmlNode* shape = area.Child("Path");
            // Clipping by text is not drawn; the object shows unclipped
            // rather than not at all.
            if (area.name != "Area" || !shape) {
                usable = false;
                break;
            }
            const Box box = ParseBox(shape->Attr("Boundary")).value_or(Box{});
            const Matrix matrix = ParseMatrix(shape->Attr("CTM"))
                                      .value_or(Matrix{})
                                      .Then(Matrix::Translate(box.x, box.y))
                                      .Then(ParseMatrix(area.Attr("CTM")).value_or(Matrix{}));
            AppendPath(path, ParseAbbreviatedData(shape->ChildText("AbbreviatedData")), matrix);
            evenOdd = evenOdd || shape->Attr("Rule") == "Even-Odd";
        }
        if (usable && !path.empty())
            out_ += path + (evenOdd ? "W* n\n" : "W n\n");
    }
}

int ContentWriter::SetColor(const XmlNode* color, bool stroke) {
    // A shading is drawn in its first colour.
    for (int depth = 0; color && color->Attr("Value").empty() && depth < 4; ++depth) {
        const XmlNode* inner = nullptr;
        for (const XmlNode& child : color->children)
            for (const XmlNode* c : {&child, child.Child("Color")})
                if (!inner && c && c->name == "Color")
                    inner = c;
        color = inner;
    }
    std::vector<double> values = color ? ColorValues(color->Attr("Value")) : std::vector<double>{0};
    std::string space;
    if (color) {
        const auto found = pdf_.res().colorSpaces.find(color->Attr("ColorSpace"));
        if (found != pdf_.res().colorSpaces.end())
            space = found->second;
    }
    const std::size_t want = space == "GRAY" ? 1 : space == "CMYK" ? 4 : space == "RGB" ? 3 : 0;
    // Components that fit no colour space give black rather than a guess.
    if ((want && values.size() != want) ||
        (values.size() != 1 && values.size() != 3 && values.size() != 4))
        values = {0};
    for (double v : values)
        AppendNumber(out_, std::clamp(v / 255.0, 0.0, 1.0));
    const char* ops[] = {"g\n", "G\n", "rg\n", "RG\n", "k\n", "K\n"};
    const int kind = values.size() == 4 ? 2 : values.size() == 3 ? 1 : 0;
    out_ += ops[kind * 2 + (stroke ? 1 : 0)];
    return color ? AlphaOf(*color) : 255;
}

void ContentWriter::LineStyle(const Style& style) {
    AppendNumber(out_, style.lineWidth.value_or(kDefaultLineWidth));
    out_ += "w\n";
    const std::string join = style.join.value_or("Miter"), cap = style.cap.value_or("Butt");
    out_ += join == "Round" ? "1 j\n" : join == "Bevel" ? "2 j\n" : "0 j\n";
    out_ += cap == "Round" ? "1 J\n" : cap == "Square" ? "2 J\n" : "0 J\n";
    AppendNumber(out_, std::max(1.0, style.miterLimit.value_or(kDefaultMiterLimit)));
    out_ += "M\n";
    if (style.dash && !style.dash->empty()) {
        out_ += "[";
        for (double v : *style.dash)
            AppendNumber(out_, std::fabs(v));
        out_ += "] ";
        AppendNumber(out_, style.dashOffset.value_or(0));
        out_ += "d\n";
    }
}

void ContentWriter::Alpha(const XmlNode& object, int fillAlpha, int strokeAlpha) {
    const int alpha = AlphaOf(object);
    fillAlpha = fillAlpha * alpha / 255, strokeAlpha = strokeAlpha * alpha / 255;
    static const char* blends[] = {"Multiply",  "Screen",     "Overlay",   "Darken",
                                   "Lighten",   "ColorDodge", "ColorBurn", "HardLight",
                                   "SoftLight", "Difference", "Exclusion"};
    std::string blend;
    for (const char* known : blends)
        if (object.Attr("BlendMode") == known)
            blend = known;
    if (fillAlpha == 255 && strokeAlpha == 255 && blend.empty())
        return;
    out_ += pdf_.State(fillAlpha, strokeAlpha, blend) + " gs\n";
}

void ContentWriter::PathObject(const XmlNode& object, const Style& style) {
    const Path path = ParseAbbreviatedData(object.ChildText("AbbreviatedData"));
    if (path.empty() || !Begin(object))
        return;
    // A path's fill is transparent unless a colour is given for it.
    const bool fill = object.Attr("Fill") == "true" && style.fill;
    const bool stroke = object.Attr("Stroke") != "false";
    LineStyle(style);
    const int fillAlpha = fill ? SetColor(style.fill, false) : 255;
    const int strokeAlpha = stroke ? SetColor(style.stroke, true) : 255;
    Alpha(object, fillAlpha, strokeAlpha);
    AppendPath(out_, path);
    const bool evenOdd = object.Attr("Rule") == "Even-Odd";
    out_ += fill && stroke ? (evenOdd ? "B*\n" : "B\n")
            : fill         ? (evenOdd ? "f*\n" : "f\n")
            : stroke       ? "S\n"
                           : "n\n";
    out_ += "Q\n";
}

void ContentWriter::ImageObject(const XmlNode& object) {
    const std::string name = pdf_.Image(object.Attr("ResourceID"));
    if (name.empty() || !Begin(object))
        return;
    Alpha(object, 255, 255);
    // The image fills the unit square with its top row at y = 0.
    out_ += "1 0 0 -1 0 1 cm\n" + name + " Do\nQ\n";
}

}  // namespace ofd
