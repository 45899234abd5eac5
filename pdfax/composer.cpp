#include "composer.h"

namespace pdfax {

void Composer::Reset() {}
bool Composer::NewDocument(Document&) { return false; }
bool Composer::NewPage(Document&) { return false; }
int Composer::AddImage(Document&, const std::string&) { return 0; }
bool Composer::SelectImage(int) { return false; }
bool Composer::DrawImage(Document&, double, double, double, double) { return false; }
bool Composer::SetLineColor(double, double, double) { return false; }
bool Composer::DrawLine(Document&, double, double, double, double) { return false; }
bool Composer::Save(Document&, const std::string&) { return false; }
double Composer::CurrentPageHeight(const Document&) const { return 0; }

}  // namespace pdfax
