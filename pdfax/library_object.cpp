#include "library_object.h"

#include "extract_pages.h"
#include "open_pdf.h"
#include "page_geometry.h"
#include "render_page.h"
#include "render_queue.h"

#include <qpdf/QPDFPageDocumentHelper.hh>

#include <utility>

namespace pdfax {
namespace {

// Every entry point funnels through here: nothing may escape the module.
template <typename Result, typename Body>
Result Guard(Result failure, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return failure;
    }
}

int AsResult(bool ok) {
    return ok ? 1 : 0;
}

}  // namespace

void LibraryObject::AddRef() {
    refs_.fetch_add(1);
}

void LibraryObject::Release() {
    if (refs_.fetch_sub(1) == 1)
        delete this;
}

// The renderer is built in; these are accepted so that callers written for a
// separately loaded renderer keep working.
int LibraryObject::SetPDFiumFileName(const std::string&) {
    writes_.Drain();
    return 1;
}
int LibraryObject::SelectRenderer(int) {
    writes_.Drain();
    return 1;
}
int LibraryObject::CreateRenderer() {
    writes_.Drain();
    return 1;
}

int LibraryObject::SetPDFiumRenderFlags(int flags) {
    writes_.Drain();
    printing_.SetRenderFlags(flags);
    return 1;
}

// Composition draws no text, so fonts only need ids that SelectFont accepts.
int LibraryObject::AddUnicodeFont(const std::string& fontName, int, int) {
    writes_.Drain();
    return fontName.empty() ? 0 : nextFontId_++;
}

int LibraryObject::SelectFont(int fontId) {
    writes_.Drain();
    return fontId > 0 && fontId < nextFontId_ ? 1 : 0;
}

int LibraryObject::SetGlobalMeasurementUnits(int units) {
    writes_.Drain();
    switch (units) {
        case 0:
            units_.pointsPerUnit = 1.0;
            return 1;
        case 1:
            units_.pointsPerUnit = kPointsPerMillimetre;
            return 1;
        case 2:
            units_.pointsPerUnit = 72.0;
            return 1;
        default:
            return 0;
    }
}

int LibraryObject::SetGlobalOrigin(int origin) {
    writes_.Drain();
    switch (origin) {
        case 0:
            units_.fromTop = false;
            return 1;
        case 5:
            units_.fromTop = true;
            return 1;
        default:
            return 0;
    }
}

int LibraryObject::LoadFromFile(const std::string& path, const std::string& password) {
    writes_.Drain();
    return Guard(0, [&] {
        // A failed load must not leave the previous file current: its sizes
        // would be reported for a file that could not be read.
        document_ = Document{};
        composer_.Reset();
        OpenedPdf opened = OpenPdf(path, password);
        if (!opened.pdf)
            return 0;
        document_.pdf = std::move(opened.pdf);
        document_.sourcePath = path;
        return 1;
    });
}

int LibraryObject::PageCount() {
    return Guard(0, [&] {
        if (document_.Empty())
            return 0;
        return static_cast<int>(QPDFPageDocumentHelper(*document_.pdf).getAllPages().size());
    });
}

double LibraryObject::PageWidth() {
    return Guard(0.0, [&] {
        if (document_.Empty())
            return 0.0;
        auto pages = QPDFPageDocumentHelper(*document_.pdf).getAllPages();
        if (document_.currentPage >= static_cast<int>(pages.size()))
            return 0.0;
        return units_.FromPoints(
            ViewerPageSize(pages[document_.currentPage].getObjectHandle()).width);
    });
}

double LibraryObject::PageHeight() {
    return Guard(0.0, [&] {
        if (document_.Empty())
            return 0.0;
        auto pages = QPDFPageDocumentHelper(*document_.pdf).getAllPages();
        if (document_.currentPage >= static_cast<int>(pages.size()))
            return 0.0;
        return units_.FromPoints(
            ViewerPageSize(pages[document_.currentPage].getObjectHandle()).height);
    });
}

int LibraryObject::ExtractFilePages(const std::string& input, const std::string& password,
                                    const std::string& output, const std::string& pageList) {
    writes_.Drain();
    return Guard(0, [&] { return AsResult(ExtractPages(input, password, output, pageList)); });
}

int LibraryObject::DAOpenFileReadOnly(const std::string& path, const std::string& password) {
    return Guard(0, [&] { return files_.Open(path, password, true); });
}

int LibraryObject::DAOpenFile(const std::string& path, const std::string& password) {
    writes_.Drain();
    return Guard(0, [&] { return files_.Open(path, password, false); });
}

int LibraryObject::DAFindPage(int fileHandle, int page) {
    return Guard(0, [&] { return files_.FindPage(fileHandle, page); });
}

int LibraryObject::DARotatePage(int fileHandle, int pageRef, int angle, int) {
    return Guard(0, [&] { return AsResult(files_.RotatePage(fileHandle, pageRef, angle)); });
}

int LibraryObject::DARenderPageToFile(int fileHandle, int pageRef, int format, double dpi,
                                      const std::string& output) {
    return Guard(0, [&] {
        const auto access = files_.Page(fileHandle, pageRef);
        if (!access.pdf || output.empty())
            return 0;
        QImage bitmap = RenderPageBitmap(*access.pdf, access.page, format, dpi);
        if (bitmap.isNull())
            return 0;
        // Compositing, encoding and writing overlap the caller's next page; a
        // write that fails leaves no file, which callers see once the queue
        // is drained.
        if (writes_.Push(bitmap, format, output))
            return 1;
        return AsResult(WriteBitmapFile(bitmap, format, output));
    });
}

int LibraryObject::DASetPageSize(int fileHandle, int pageRef, double width, double height) {
    writes_.Drain();
    return Guard(0, [&] {
        return AsResult(files_.SetPageSize(fileHandle, pageRef, units_.ToPoints(width),
                                           units_.ToPoints(height)));
    });
}

int LibraryObject::DAAppendFile(int fileHandle) {
    writes_.Drain();
    return Guard(0, [&] { return AsResult(files_.AppendFile(fileHandle)); });
}

int LibraryObject::DACloseFile(int fileHandle) {
    return Guard(0, [&] { return AsResult(files_.Close(fileHandle)); });
}

int LibraryObject::NewDocument() {
    writes_.Drain();
    return Guard(0, [&] {
        document_ = Document{};
        composer_.Reset();
        if (!composer_.NewDocument(document_))
            return 0;
        // A new document starts with the Unicode font selected, as callers
        // that draw text on it expect.
        SelectFont(AddUnicodeFont("SimSun", 1, 0));
        return 1;
    });
}

int LibraryObject::SaveToFile(const std::string& path) {
    writes_.Drain();
    return Guard(0,
                 [&] { return AsResult(!document_.Empty() && composer_.Save(document_, path)); });
}

int LibraryObject::NewPage() {
    writes_.Drain();
    return Guard(0, [&] { return AsResult(!document_.Empty() && composer_.NewPage(document_)); });
}

int LibraryObject::AddImageFromFile(const std::string& path, int) {
    writes_.Drain();
    return Guard(0, [&] { return document_.Empty() ? 0 : composer_.AddImage(document_, path); });
}

int LibraryObject::SelectImage(int imageId) {
    writes_.Drain();
    return Guard(0, [&] { return AsResult(composer_.SelectImage(imageId)); });
}

double LibraryObject::TopDown(double yPoints) const {
    return units_.fromTop ? yPoints : composer_.CurrentPageHeight(document_) - yPoints;
}

int LibraryObject::DrawImage(double left, double top, double width, double height) {
    writes_.Drain();
    return Guard(0, [&] {
        if (document_.Empty())
            return 0;
        const double h = units_.ToPoints(height);
        // From the bottom, `top` names the image's lower edge.
        const double y = units_.fromTop ? units_.ToPoints(top) : TopDown(units_.ToPoints(top)) - h;
        return AsResult(
            composer_.DrawImage(document_, units_.ToPoints(left), y, units_.ToPoints(width), h));
    });
}

int LibraryObject::SetLineColor(double red, double green, double blue) {
    writes_.Drain();
    return Guard(0, [&] { return AsResult(composer_.SetLineColor(red, green, blue)); });
}

int LibraryObject::DrawLine(double x1, double y1, double x2, double y2) {
    writes_.Drain();
    return Guard(0, [&] {
        if (document_.Empty())
            return 0;
        return AsResult(composer_.DrawLine(document_, units_.ToPoints(x1),
                                           TopDown(units_.ToPoints(y1)), units_.ToPoints(x2),
                                           TopDown(units_.ToPoints(y2))));
    });
}

std::string LibraryObject::NewCustomPrinter(const std::string& printerName) {
    writes_.Drain();
    return Guard(std::string(), [&] { return printing_.NewCustomPrinter(printerName); });
}

int LibraryObject::SetupCustomPrinter(const std::string& customPrinter, int setting, int value) {
    writes_.Drain();
    return Guard(0, [&] { return printing_.Setup(customPrinter, setting, value); });
}

int LibraryObject::PrintDocument(const std::string& printerName, int firstPage, int lastPage,
                                 int options) {
    writes_.Drain();
    return Guard(0, [&] {
        if (document_.Empty() || document_.sourcePath.empty())
            return 0;
        return printing_.Print(printerName, firstPage, lastPage, options, document_.sourcePath);
    });
}

}  // namespace pdfax
