// Page content as a PDF content stream, in the OFD's own space: the caller
// sets the matrix that turns millimetres with y downwards into PDF points.
#pragma once

#include <qpdf/QPDF.hh>

#include <map>
#include <string>
#include <vector>

#include "model.h"
#include "pdf_fonts.h"
#include "resources.h"

namespace ofd {

// The resources one content stream draws with, gathered as it is written.
class PdfResources {
public:
    PdfResources(QPDF& pdf, const Model& model, const Resources& res, std::vector<Error>& omitted);

    QPDF& pdf() { return pdf_; }
    const Model& model() const { return model_; }
    const Resources& res() const { return res_; }
    FontSet& fonts() { return fonts_; }
    std::vector<Error>& omitted() { return omitted_; }

    // "/Im1" for multimedia `id`; empty when it cannot be drawn (noted).
    std::string Image(const std::string& id);
    // "/GS1" for these alphas (0..255) and blend mode ("" is Normal).
    std::string State(int fillAlpha, int strokeAlpha, const std::string& blend);
    std::string AddXObject(QPDFObjectHandle object);
    // The finished /Resources dictionary.
    QPDFObjectHandle Finish();

private:
    QPDF& pdf_;
    const Model& model_;
    const Resources& res_;
    std::vector<Error>& omitted_;
    FontSet fonts_;
    QPDFObjectHandle xobjects_, states_;
    std::map<std::string, std::string> images_;
    std::map<std::string, std::string> stateNames_;
};

class ContentWriter {
public:
    ContentWriter(PdfResources& pdf, std::string& out) : pdf_(pdf), out_(out) {}

    // The layers of a page's or template's Content element.
    void Content(const XmlNode* content);
    // Graphic objects and blocks among `node`'s children.
    void Objects(const XmlNode& node, const Style& style);

private:
    void Object(const XmlNode& object, const Style& style);
    void PathObject(const XmlNode& object, const Style& style);
    void TextObject(const XmlNode& object, const Style& style);
    void ImageObject(const XmlNode& object);
    // Opens the object's graphics state: its place, clips and matrix.
    // False (and nothing open) when the object is not to be drawn.
    bool Begin(const XmlNode& object);
    void Clips(const XmlNode& clips);
    // Sets the colour; returns its alpha (0..255).
    int SetColor(const XmlNode* color, bool stroke);
    void LineStyle(const Style& style);
    void Alpha(const XmlNode& object, int fillAlpha, int strokeAlpha);

    PdfResources& pdf_;
    std::string& out_;
};

}  // namespace ofd
