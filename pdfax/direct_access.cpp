#include "direct_access.h"

namespace pdfax {

int DirectAccess::Open(const std::string&, const std::string&, bool) { return 0; }
int DirectAccess::FindPage(int, int) { return 0; }
bool DirectAccess::RotatePage(int, int, int) { return false; }
bool DirectAccess::SetPageSize(int, int, double, double) { return false; }
bool DirectAccess::AppendFile(int) { return false; }
bool DirectAccess::Close(int) { return false; }
DirectAccess::PageAccess DirectAccess::Page(int, int) { return {}; }

}  // namespace pdfax
