#include "library_object.h"

#include "base/failure.h"
#include "pdf/extract_pages.h"
#include "pdf/open_pdf.h"
#include "pdf/page_geometry.h"
#include "render/render_page.h"

#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <utility>

namespace pdfax {
namespace {

int AsResult(bool ok) {
    return ok ? 1 : 0;
}

Problem ProblemOfException(const std::exception& e) {
    if (const auto* qpdf = dynamic_cast<const QPDFExc*>(&e))
        return qpdf->getErrorCode() == qpdf_e_password ? Problem::kNeedsPassword
                                                       : Problem::kDamaged;
    if (dynamic_cast<const std::bad_alloc*>(&e))
        return Problem::kTooLarge;
    // Everything else qpdf throws is about data it could not make sense of.
    return Problem::kDamaged;
}

}  // namespace

template <typename Result, typename Body>
Result LibraryObject::Call(const char* operation, const std::string& path, Result failure,
                           Body&& body) noexcept {
    lastError_ = CallError{};
    try {
        Result result = std::forward<Body>(body)();
        if (result == failure)
            lastError_ = {operation, path, Problem::kFailed, {}};
        return result;
    } catch (const Failure& e) {
        lastError_ = {operation, e.path().empty() ? path : e.path(), e.problem(), e.detail()};
    } catch (const std::exception& e) {
        lastError_ = {operation, path, ProblemOfException(e), e.what()};
    } catch (...) {
        lastError_ = {operation, path, Problem::kFailed, {}};
    }
    return failure;
}

void LibraryObject::AddRef() {
    refs_.fetch_add(1);
}

void LibraryObject::Release() {
    if (refs_.fetch_sub(1) == 1)
        delete this;
}

// The renderer is built in; these are accepted so that callers written for a
// separately loaded renderer keep working.
int LibraryObject::SetPDFiumFileName(const std::string& path) {
    renderers_.SetRendererFile(path);
    return 1;
}
int LibraryObject::SelectRenderer(int) {
    return 1;
}
int LibraryObject::CreateRenderer() {
    return AsResult(renderers_.RendererUsable());
}

// Jobs go to the spooler as PDF, which renders for its printer itself; no
// flag changes what is sent.
int LibraryObject::SetPDFiumRenderFlags(int) {
    return 1;
}

// Composition draws no text, so fonts only need ids that SelectFont accepts.
int LibraryObject::AddUnicodeFont(const std::string& fontName, int, int) {
    return fontName.empty() ? 0 : nextFontId_++;
}

int LibraryObject::SelectFont(int fontId) {
    return fontId > 0 && fontId < nextFontId_ ? 1 : 0;
}

int LibraryObject::SetGlobalMeasurementUnits(int units) {
    switch (units) {
        case kUnitPoints:
            units_.pointsPerUnit = 1.0;
            return 1;
        case kUnitMillimetres:
            units_.pointsPerUnit = kPointsPerMillimetre;
            return 1;
        case kUnitInches:
            units_.pointsPerUnit = 72.0;
            return 1;
        default:
            return 0;
    }
}

int LibraryObject::SetGlobalOrigin(int origin) {
    switch (origin) {
        case kOriginBottomLeft:
            units_.fromTop = false;
            return 1;
        case kOriginTopLeft:
            units_.fromTop = true;
            return 1;
        default:
            return 0;
    }
}

int LibraryObject::LoadFromFile(const std::string& path, const std::string& password) {
    return Call("LoadFromFile", path, 0, [&] {
        // A failed load must not leave the previous file current: its sizes
        // would be reported for a file that could not be read.
        document_ = Document{};
        composer_.Reset();
        document_.pdf = OpenPdf(path, password);
        document_.sourcePath = path;
        return 1;
    });
}

int LibraryObject::PageCount() {
    return Call("PageCount", document_.sourcePath, 0, [&] {
        if (document_.Empty())
            return 0;
        return static_cast<int>(QPDFPageDocumentHelper(*document_.pdf).getAllPages().size());
    });
}

PageSize LibraryObject::CurrentPageSize() const {
    if (document_.Empty())
        return {};
    auto pages = QPDFPageDocumentHelper(*document_.pdf).getAllPages();
    if (document_.currentPage >= static_cast<int>(pages.size()))
        return {};
    return ViewerPageSize(pages[document_.currentPage].getObjectHandle());
}

double LibraryObject::PageWidth() {
    return Call("PageWidth", document_.sourcePath, 0.0,
                [&] { return units_.FromPoints(CurrentPageSize().width); });
}

double LibraryObject::PageHeight() {
    return Call("PageHeight", document_.sourcePath, 0.0,
                [&] { return units_.FromPoints(CurrentPageSize().height); });
}

int LibraryObject::ExtractFilePages(const std::string& input, const std::string& password,
                                    const std::string& output, const std::string& pageList) {
    return Call("ExtractFilePages", input, 0, [&] {
        splitSource_.Use(input, password);
        ExtractPages(splitSource_, output, pageList);
        return 1;
    });
}

int LibraryObject::DAOpenFileReadOnly(const std::string& path, const std::string& password) {
    return Call("DAOpenFileReadOnly", path, 0, [&] { return files_.Open(path, password, true); });
}

int LibraryObject::DAOpenFile(const std::string& path, const std::string& password) {
    return Call("DAOpenFile", path, 0, [&] { return files_.Open(path, password, false); });
}

int LibraryObject::DAFindPage(int fileHandle, int page) {
    return Call("DAFindPage", std::string(), 0, [&] { return files_.FindPage(fileHandle, page); });
}

int LibraryObject::DARotatePage(int fileHandle, int pageRef, int angle, int) {
    return Call("DARotatePage", std::string(), 0,
                [&] { return AsResult(files_.RotatePage(fileHandle, pageRef, angle)); });
}

int LibraryObject::DARenderPageToFile(int fileHandle, int pageRef, int format, double dpi,
                                      const std::string& output) {
    return Call("DARenderPageToFile", output, 0, [&] {
        const auto access = files_.Page(fileHandle, pageRef);
        if (!access.pdf || output.empty())
            return 0;
        RenderPageToFile(*access.pdf, access.page, access.path, format, dpi, output);
        return 1;
    });
}

int LibraryObject::RenderPagesToFiles(
    const std::vector<RenderJob>& jobs, int workers,
    const std::function<bool(int index, const RenderedImage& image)>& done,
    const std::function<bool()>& cancelled) {
    return Call("RenderPagesToFiles", std::string(), -1,
                [&] { return renderers_.Run(jobs, workers, done, cancelled); });
}

int LibraryObject::DASetPageSize(int fileHandle, int pageRef, double width, double height) {
    return Call("DASetPageSize", std::string(), 0, [&] {
        return AsResult(files_.SetPageSize(fileHandle, pageRef, units_.ToPoints(width),
                                           units_.ToPoints(height)));
    });
}

int LibraryObject::DAAppendFile(int fileHandle) {
    return Call("DAAppendFile", std::string(), 0,
                [&] { return AsResult(files_.AppendFile(fileHandle)); });
}

int LibraryObject::DACloseFile(int fileHandle) {
    return Call("DACloseFile", std::string(), 0,
                [&] { return AsResult(files_.Close(fileHandle)); });
}

int LibraryObject::NewDocument() {
    return Call("NewDocument", std::string(), 0, [&] {
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
    return Call("SaveToFile", path, 0,
                [&] { return AsResult(!document_.Empty() && composer_.Save(document_, path)); });
}

int LibraryObject::NewPage() {
    return Call("NewPage", std::string(), 0,
                [&] { return AsResult(!document_.Empty() && composer_.NewPage(document_)); });
}

int LibraryObject::AddImageFromFile(const std::string& path, int) {
    return Call("AddImageFromFile", path, 0,
                [&] { return document_.Empty() ? 0 : composer_.AddImage(document_, path); });
}

int LibraryObject::SelectImage(int imageId) {
    return Call("SelectImage", std::string(), 0,
                [&] { return AsResult(composer_.SelectImage(imageId)); });
}

double LibraryObject::TopDown(double yPoints) const {
    return units_.fromTop ? yPoints : composer_.CurrentPageHeight(document_) - yPoints;
}

int LibraryObject::DrawImage(double left, double top, double width, double height) {
    return Call("DrawImage", std::string(), 0, [&] {
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
    return Call("SetLineColor", std::string(), 0,
                [&] { return AsResult(composer_.SetLineColor(red, green, blue)); });
}

int LibraryObject::DrawLine(double x1, double y1, double x2, double y2) {
    return Call("DrawLine", std::string(), 0, [&] {
        if (document_.Empty())
            return 0;
        return AsResult(composer_.DrawLine(document_, units_.ToPoints(x1),
                                           TopDown(units_.ToPoints(y1)), units_.ToPoints(x2),
                                           TopDown(units_.ToPoints(y2))));
    });
}

std::string LibraryObject::NewCustomPrinter(const std::string& printerName) {
    return Call("NewCustomPrinter", printerName, std::string(),
                [&] { return printing_.NewCustomPrinter(printerName); });
}

int LibraryObject::SetupCustomPrinter(const std::string& customPrinter, int setting, int value) {
    return Call("SetupCustomPrinter", customPrinter, 0,
                [&] { return printing_.Setup(customPrinter, setting, value); });
}

// The options select nothing a PDF job could carry.
int LibraryObject::PrintDocument(const std::string& printerName, int firstPage, int lastPage, int) {
    return Call("PrintDocument", printerName, 0, [&] {
        if (document_.Empty() || document_.sourcePath.empty())
            return 0;
        return printing_.Print(printerName, firstPage, lastPage, document_.sourcePath);
    });
}

CallError LibraryObject::LastError() {
    return lastError_;
}

int LibraryObject::ComparePageFile(const std::string& input, const std::string& password, int page,
                                   const std::string& pageFile) {
    // -1 stands for "could not compare", so that a plain "different" is no error.
    const int same = Call("ComparePageFile", input, -1, [&] {
        splitSource_.Use(input, password);
        return AsResult(PageFileMatches(splitSource_, page, pageFile));
    });
    return same < 0 ? 0 : same;
}

}  // namespace pdfax
