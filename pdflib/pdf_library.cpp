#include "pdflib/pdf_library.h"

#include "deployment.h"

#include <pdfax/library.h>

namespace vellumark {
namespace {

// Calls `body` on the object, or gives `empty` when there is none or the
// call fails in any way.
template <typename Result, typename Body>
Result Forward(pdfax::Library* object, Result empty, Body&& body) noexcept {
    if (!object)
        return empty;
    try {
        return body(*object);
    } catch (...) {
        return empty;
    }
}

}  // namespace

PdfLibrary::~PdfLibrary() {
    if (object_)
        object_->Release();
}

PdfLibrary::PdfLibrary(const PdfLibrary& other) : object_(other.object_) {
    if (object_)
        object_->AddRef();
}

PdfLibrary& PdfLibrary::operator=(const PdfLibrary& other) {
    if (other.object_)
        other.object_->AddRef();
    if (object_)
        object_->Release();
    object_ = other.object_;
    return *this;
}

void PdfLibrary::Initialise(const std::string& programDirectory) {
    const std::string libraryFile = programDirectory + kLibraryFileName;
    // Only the module this program carries is loaded: another build's would
    // be reached through an interface it does not have.
    // There is no registry to ask first; the file is the only road.
    if (!object_ && DeployLibraryFile(libraryFile, EmbeddedModule()))
        ActivateFromFile(libraryFile, pdfax::kClassId, nullptr, &object_);
    SetUp();
}

void PdfLibrary::ActivateFrom(const std::string& libraryFile) {
    if (!object_)
        ActivateFromFile(libraryFile, pdfax::kClassId, nullptr, &object_);
}

bool PdfLibrary::SetUp() {
    AddUnicodeFont("SimSun", 1, 0);
    SetGlobalMeasurementUnits(1);
    SetGlobalOrigin(5);
    return true;
}

#define VM_FORWARD(empty, call) \
    return Forward(object_, empty, [&](pdfax::Library& lib) { return lib.call; })

int PdfLibrary::SetPDFiumFileName(const std::string& path) {
    VM_FORWARD(0, SetPDFiumFileName(path));
}
int PdfLibrary::SelectRenderer(int renderer) {
    VM_FORWARD(0, SelectRenderer(renderer));
}
int PdfLibrary::CreateRenderer() {
    VM_FORWARD(0, CreateRenderer());
}
int PdfLibrary::SetPDFiumRenderFlags(int flags) {
    VM_FORWARD(0, SetPDFiumRenderFlags(flags));
}
int PdfLibrary::AddUnicodeFont(const std::string& fontName, int encodingOptions, int embedOptions) {
    VM_FORWARD(0, AddUnicodeFont(fontName, encodingOptions, embedOptions));
}
int PdfLibrary::SelectFont(int fontId) {
    VM_FORWARD(0, SelectFont(fontId));
}
int PdfLibrary::SetGlobalMeasurementUnits(int units) {
    VM_FORWARD(0, SetGlobalMeasurementUnits(units));
}
int PdfLibrary::SetGlobalOrigin(int origin) {
    VM_FORWARD(0, SetGlobalOrigin(origin));
}

int PdfLibrary::LoadFromFile(const std::string& path, const std::string& password) {
    VM_FORWARD(0, LoadFromFile(path, password));
}
int PdfLibrary::PageCount() {
    VM_FORWARD(0, PageCount());
}
double PdfLibrary::PageWidth() {
    VM_FORWARD(0.0, PageWidth());
}
double PdfLibrary::PageHeight() {
    VM_FORWARD(0.0, PageHeight());
}
int PdfLibrary::ExtractFilePages(const std::string& input, const std::string& password,
                                 const std::string& output, const std::string& pageList) {
    VM_FORWARD(0, ExtractFilePages(input, password, output, pageList));
}

int PdfLibrary::DAOpenFileReadOnly(const std::string& path, const std::string& password) {
    VM_FORWARD(0, DAOpenFileReadOnly(path, password));
}
int PdfLibrary::DAOpenFile(const std::string& path, const std::string& password) {
    VM_FORWARD(0, DAOpenFile(path, password));
}
int PdfLibrary::DAFindPage(int fileHandle, int page) {
    VM_FORWARD(0, DAFindPage(fileHandle, page));
}
// Options 0 are always passed on.
int PdfLibrary::DARotatePage(int fileHandle, int pageRef, int angle) {
    VM_FORWARD(0, DARotatePage(fileHandle, pageRef, angle, 0));
}
int PdfLibrary::DARenderPageToFile(int fileHandle, int pageRef, int format, double dpi,
                                   const std::string& output) {
    VM_FORWARD(0, DARenderPageToFile(fileHandle, pageRef, format, dpi, output));
}
int PdfLibrary::DASetPageSize(int fileHandle, int pageRef, double width, double height) {
    VM_FORWARD(0, DASetPageSize(fileHandle, pageRef, width, height));
}
int PdfLibrary::DAAppendFile(int fileHandle) {
    VM_FORWARD(0, DAAppendFile(fileHandle));
}
int PdfLibrary::DACloseFile(int fileHandle) {
    VM_FORWARD(0, DACloseFile(fileHandle));
}

int PdfLibrary::NewDocument() {
    VM_FORWARD(0, NewDocument());
}
int PdfLibrary::SaveToFile(const std::string& path) {
    VM_FORWARD(0, SaveToFile(path));
}
int PdfLibrary::NewPage() {
    VM_FORWARD(0, NewPage());
}
int PdfLibrary::AddImageFromFile(const std::string& path, int options) {
    VM_FORWARD(0, AddImageFromFile(path, options));
}
int PdfLibrary::SelectImage(int imageId) {
    VM_FORWARD(0, SelectImage(imageId));
}
int PdfLibrary::DrawImage(double left, double top, double width, double height) {
    VM_FORWARD(0, DrawImage(left, top, width, height));
}
int PdfLibrary::SetLineColor(double red, double green, double blue) {
    VM_FORWARD(0, SetLineColor(red, green, blue));
}
int PdfLibrary::DrawLine(double x1, double y1, double x2, double y2) {
    VM_FORWARD(0, DrawLine(x1, y1, x2, y2));
}

std::string PdfLibrary::NewCustomPrinter(const std::string& printerName) {
    VM_FORWARD(std::string(), NewCustomPrinter(printerName));
}
int PdfLibrary::SetupCustomPrinter(const std::string& customPrinter, int setting, int value) {
    VM_FORWARD(0, SetupCustomPrinter(customPrinter, setting, value));
}
int PdfLibrary::PrintDocument(const std::string& printerName, int firstPage, int lastPage,
                              int options) {
    VM_FORWARD(0, PrintDocument(printerName, firstPage, lastPage, options));
}

pdfax::CallError PdfLibrary::LastError() {
    if (!object_)
        return {"", "", pdfax::Problem::kFailed, "the PDF library is not loaded"};
    VM_FORWARD(pdfax::CallError{}, LastError());
}
int PdfLibrary::RenderPagesToFiles(
    const std::vector<pdfax::RenderJob>& jobs, int workers,
    const std::function<bool(int, const pdfax::RenderedImage&)>& done) {
    VM_FORWARD(0, RenderPagesToFiles(jobs, workers, done));
}
int PdfLibrary::ComparePageFile(const std::string& input, const std::string& password, int page,
                                const std::string& pageFile) {
    VM_FORWARD(0, ComparePageFile(input, password, page, pageFile));
}

#undef VM_FORWARD

}  // namespace vellumark
