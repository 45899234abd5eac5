#include "layout/sheet_canvas.h"

#include "pdflib/pdf_library.h"

namespace vellumark {

int PdfSheetCanvas::AddImageFromFile(const std::string& path) {
    return pdf_.AddImageFromFile(path, 0);
}
void PdfSheetCanvas::SelectImage(int imageId) {
    pdf_.SelectImage(imageId);
}
void PdfSheetCanvas::DrawImage(double left, double top, double width, double height) {
    pdf_.DrawImage(left, top, width, height);
}
void PdfSheetCanvas::SetLineColor(double red, double green, double blue) {
    pdf_.SetLineColor(red, green, blue);
}
void PdfSheetCanvas::DrawLine(double x1, double y1, double x2, double y2) {
    pdf_.DrawLine(x1, y1, x2, y2);
}
void PdfSheetCanvas::NewPage() {
    pdf_.NewPage();
}

}  // namespace vellumark
