#include "sheet_runs.h"

#include "layout/layout_mode.h"
#include "layout/sheet_canvas.h"
#include "layout/sheet_layout.h"
#include "pdflib/pdf_library.h"
#include "test_support.h"

#include <QImage>

#include <map>

namespace vellumark::testing {
namespace {

class RecordingCanvas : public SheetCanvas {
public:
    RecordingCanvas(LayoutMode mode, const std::map<std::string, ImageSpec>& specs)
        : mode_(mode), specs_(specs) {
        NewPage();
    }
    int AddImageFromFile(const std::string& path) override {
        ids_.push_back(path);
        return static_cast<int>(ids_.size());
    }
    void SelectImage(int imageId) override { selected_ = imageId; }
    void DrawImage(double left, double top, double width, double height) override {
        const ImageSpec& pixels = specs_.at(ids_.at(selected_ - 1));
        pages_.back().images.push_back({left, top, width, height, pixels.width, pixels.height, ""});
    }
    void SetLineColor(double red, double green, double blue) override {
        colour_[0] = red;
        colour_[1] = green;
        colour_[2] = blue;
    }
    void DrawLine(double x1, double y1, double x2, double y2) override {
        pages_.back().lines.push_back({x1, y1, x2, y2, colour_[0], colour_[1], colour_[2]});
    }
    void NewPage() override {
        const LayoutModeParameters& p = ParametersOf(mode_);
        pages_.push_back({p.sheetWidth, p.sheetHeight, {}, {}});
    }
    std::vector<DrawnPage> pages_;

private:
    LayoutMode mode_;
    const std::map<std::string, ImageSpec>& specs_;
    std::vector<std::string> ids_;
    int selected_ = 0;
    // Lines drawn before any SetLineColor must show up as not black.
    double colour_[3] = {-1, -1, -1};
};

std::vector<SheetImage> Named(const std::vector<ImageSpec>& specs, const std::string& prefix,
                              std::map<std::string, ImageSpec>& byName) {
    std::vector<SheetImage> images;
    for (size_t i = 0; i < specs.size(); ++i) {
        const std::string name = prefix + std::to_string(i);
        byName[name] = specs[i];
        if (specs[i].undecodable)
            images.push_back({name, 0, 0});
        else
            images.push_back({name, specs[i].width, specs[i].height});
    }
    return images;
}

std::vector<std::string> Written(const std::string& folder, const std::vector<ImageSpec>& specs,
                                 const std::string& prefix, const char* format) {
    std::vector<std::string> paths;
    for (size_t i = 0; i < specs.size(); ++i) {
        const std::string path =
            folder + "/" + prefix + std::to_string(i) + (format[0] == 'J' ? ".jpg" : ".png");
        if (specs[i].undecodable) {
            WriteFile(path, "not an image at all");
        } else {
            QImage image(specs[i].width, specs[i].height, QImage::Format_RGB32);
            image.fill(QColor(200, 30, 30));
            // Flat colour compresses to almost nothing at the default levels.
            EXPECT_TRUE(image.save(QString::fromStdString(path), format));
        }
        paths.push_back(path);
    }
    return paths;
}

// The images with the sizes they were written at, as a render reports them.
std::vector<SheetImage> Sized(const std::vector<std::string>& paths,
                              const std::vector<ImageSpec>& specs) {
    std::vector<SheetImage> images;
    for (size_t i = 0; i < paths.size(); ++i) {
        const bool bad = specs[i].undecodable;
        images.push_back({paths[i], bad ? 0 : specs[i].width, bad ? 0 : specs[i].height});
    }
    return images;
}

}  // namespace

std::vector<DrawnPage> RunOnRecorder(LayoutMode mode, const std::vector<ImageSpec>& tall,
                                     const std::vector<ImageSpec>& shortImages) {
    std::map<std::string, ImageSpec> byName;
    const std::vector<SheetImage> tallImages = Named(tall, "tall", byName);
    const std::vector<SheetImage> shorts = Named(shortImages, "short", byName);
    RecordingCanvas canvas(mode, byName);
    EXPECT_TRUE(LayoutSheets(canvas, mode, tallImages, shorts).empty());
    return canvas.pages_;
}

std::vector<DrawnPage> RunThroughLibrary(const std::string& folder, LayoutMode mode,
                                         const std::vector<ImageSpec>& tall,
                                         const std::vector<ImageSpec>& shortImages, int* notAdded) {
    const std::vector<SheetImage> tallImages = Sized(Written(folder, tall, "tall", "JPG"), tall);
    const std::vector<SheetImage> shorts =
        Sized(Written(folder, shortImages, "short", "PNG"), shortImages);
    // A blank sheet of the mode's size, made as the merge makes it.
    PdfLibrary& pdf = Library();
    const std::string sheet = folder + "/临时.pdf";
    EXPECT_EQ(pdf.NewDocument(), 1);
    EXPECT_NE(pdf.SaveToFile(sheet), 0);
    const int handle = pdf.DAOpenFile(sheet, "");
    const LayoutModeParameters& p = ParametersOf(mode);
    EXPECT_EQ(pdf.DASetPageSize(handle, pdf.DAFindPage(handle, 1), p.sheetWidth, p.sheetHeight), 1);
    EXPECT_EQ(pdf.DAAppendFile(handle), 1);
    EXPECT_EQ(pdf.LoadFromFile(sheet, ""), 1);
    PdfSheetCanvas canvas(pdf);
    const std::vector<SheetImage> failed = LayoutSheets(canvas, mode, tallImages, shorts);
    if (notAdded)
        *notAdded = static_cast<int>(failed.size());
    const std::string output = folder + "/merged.pdf";
    EXPECT_NE(pdf.SaveToFile(output), 0);
    pdf.DACloseFile(handle);
    if (!Exists(output))
        return {};
    return ReadDrawnPages(output);
}

}  // namespace vellumark::testing
