// The drawing calls a sheet layout makes, behind one small interface so the
// geometry can be checked without a PDF library.
#pragma once

#include <string>

namespace vellumark {

class PdfLibrary;

class SheetCanvas {
public:
    virtual ~SheetCanvas() = default;
    // Returns the image id, 0 when the image cannot be added.
    virtual int AddImageFromFile(const std::string& path) = 0;
    virtual void SelectImage(int imageId) = 0;
    virtual void DrawImage(double left, double top, double width, double height) = 0;
    virtual void SetLineColor(double red, double green, double blue) = 0;
    virtual void DrawLine(double x1, double y1, double x2, double y2) = 0;
    virtual void NewPage() = 0;
};

// Draws onto the library's current document.
class PdfSheetCanvas : public SheetCanvas {
public:
    explicit PdfSheetCanvas(PdfLibrary& pdf) : pdf_(pdf) {}
    int AddImageFromFile(const std::string& path) override;
    void SelectImage(int imageId) override;
    void DrawImage(double left, double top, double width, double height) override;
    void SetLineColor(double red, double green, double blue) override;
    void DrawLine(double x1, double y1, double x2, double y2) override;
    void NewPage() override;

private:
    PdfLibrary& pdf_;
};

}  // namespace vellumark
