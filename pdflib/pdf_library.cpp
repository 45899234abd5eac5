#include "pdflib/pdf_library.h"

#include "deployment.h"
#include "pdflib/problem_text.h"

#include <pdfax/library.h>

#include <QByteArray>
#include <QFile>
#include <QLoggingCategory>
#include <QString>

namespace vellumark {
namespace {

Q_LOGGING_CATEGORY(lcLibrary, "vellumark.library")

// Calls `method` of the object with `args`, or gives `empty` when there is
// no object or the call fails in any way.
template <typename Result, typename Method, typename... Args>
Result Forward(pdfax::Library* object, Result empty, Method method, Args&&... args) noexcept {
    if (!object)
        return empty;
    try {
        return (object->*method)(std::forward<Args>(args)...);
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

void PdfLibrary::Initialise(const std::string& programDirectory,
                            const std::string& fallbackDirectory) {
    // Only the module this program carries is loaded: another build's would
    // be reached through an interface it does not have.
    // There is no registry to ask first; the file is the only road. An
    // installed program finds its own module beside it and writes nothing.
    const auto deployAndActivate = [this](const std::string& folder) {
        const std::string libraryFile = folder + kLibraryFileName;
        if (!object_ && DeployLibraryFile(libraryFile, EmbeddedModule()))
            ActivateFromFile(libraryFile, pdfax::kClassId, nullptr, &object_);
    };
    deployAndActivate(programDirectory);
    if (!fallbackDirectory.empty())
        deployAndActivate(fallbackDirectory);
    ApplyLibraryWideSettings();
}

void PdfLibrary::ActivateFrom(const std::string& libraryFile) {
    if (!object_)
        ActivateFromFile(libraryFile, pdfax::kClassId, nullptr, &object_);
}

void PdfLibrary::ApplyLibraryWideSettings() {
    AddUnicodeFont("SimSun", 1, 0);
    SetGlobalMeasurementUnits(pdfax::kUnitMillimetres);
    SetGlobalOrigin(pdfax::kOriginTopLeft);
}

int PdfLibrary::SetPDFiumFileName(const std::string& path) {
    return Forward(object_, 0, &pdfax::Library::SetPDFiumFileName, path);
}
int PdfLibrary::SelectRenderer(int renderer) {
    return Forward(object_, 0, &pdfax::Library::SelectRenderer, renderer);
}
int PdfLibrary::CreateRenderer() {
    return Forward(object_, 0, &pdfax::Library::CreateRenderer);
}
int PdfLibrary::SetPDFiumRenderFlags(int flags) {
    return Forward(object_, 0, &pdfax::Library::SetPDFiumRenderFlags, flags);
}
int PdfLibrary::AddUnicodeFont(const std::string& fontName, int encodingOptions, int embedOptions) {
    return Forward(object_, 0, &pdfax::Library::AddUnicodeFont, fontName, encodingOptions,
                   embedOptions);
}
int PdfLibrary::SelectFont(int fontId) {
    return Forward(object_, 0, &pdfax::Library::SelectFont, fontId);
}
int PdfLibrary::SetGlobalMeasurementUnits(int units) {
    return Forward(object_, 0, &pdfax::Library::SetGlobalMeasurementUnits, units);
}
int PdfLibrary::SetGlobalOrigin(int origin) {
    return Forward(object_, 0, &pdfax::Library::SetGlobalOrigin, origin);
}

int PdfLibrary::LoadFromFile(const std::string& path, const std::string& password) {
    return Forward(object_, 0, &pdfax::Library::LoadFromFile, path, password);
}
int PdfLibrary::PageCount() {
    return Forward(object_, 0, &pdfax::Library::PageCount);
}
double PdfLibrary::PageWidth() {
    return Forward(object_, 0.0, &pdfax::Library::PageWidth);
}
double PdfLibrary::PageHeight() {
    return Forward(object_, 0.0, &pdfax::Library::PageHeight);
}
int PdfLibrary::ExtractFilePages(const std::string& input, const std::string& password,
                                 const std::string& output, const std::string& pageList) {
    return Forward(object_, 0, &pdfax::Library::ExtractFilePages, input, password, output,
                   pageList);
}

int PdfLibrary::DAOpenFileReadOnly(const std::string& path, const std::string& password) {
    return Forward(object_, 0, &pdfax::Library::DAOpenFileReadOnly, path, password);
}
int PdfLibrary::DAOpenFile(const std::string& path, const std::string& password) {
    return Forward(object_, 0, &pdfax::Library::DAOpenFile, path, password);
}
int PdfLibrary::DAFindPage(int fileHandle, int page) {
    return Forward(object_, 0, &pdfax::Library::DAFindPage, fileHandle, page);
}
// Options 0 are always passed on.
int PdfLibrary::DARotatePage(int fileHandle, int pageRef, int angle) {
    return Forward(object_, 0, &pdfax::Library::DARotatePage, fileHandle, pageRef, angle, 0);
}
int PdfLibrary::DARenderPageToFile(int fileHandle, int pageRef, int format, double dpi,
                                   const std::string& output) {
    return Forward(object_, 0, &pdfax::Library::DARenderPageToFile, fileHandle, pageRef, format,
                   dpi, output);
}
int PdfLibrary::DASetPageSize(int fileHandle, int pageRef, double width, double height) {
    return Forward(object_, 0, &pdfax::Library::DASetPageSize, fileHandle, pageRef, width, height);
}
int PdfLibrary::DAAppendFile(int fileHandle) {
    return Forward(object_, 0, &pdfax::Library::DAAppendFile, fileHandle);
}
int PdfLibrary::DACloseFile(int fileHandle) {
    return Forward(object_, 0, &pdfax::Library::DACloseFile, fileHandle);
}

int PdfLibrary::NewDocument() {
    return Forward(object_, 0, &pdfax::Library::NewDocument);
}
int PdfLibrary::SaveToFile(const std::string& path) {
    return Forward(object_, 0, &pdfax::Library::SaveToFile, path);
}
int PdfLibrary::NewPage() {
    return Forward(object_, 0, &pdfax::Library::NewPage);
}
int PdfLibrary::AddImageFromFile(const std::string& path, int options) {
    return Forward(object_, 0, &pdfax::Library::AddImageFromFile, path, options);
}
int PdfLibrary::SelectImage(int imageId) {
    return Forward(object_, 0, &pdfax::Library::SelectImage, imageId);
}
int PdfLibrary::DrawImage(double left, double top, double width, double height) {
    return Forward(object_, 0, &pdfax::Library::DrawImage, left, top, width, height);
}
int PdfLibrary::SetLineColor(double red, double green, double blue) {
    return Forward(object_, 0, &pdfax::Library::SetLineColor, red, green, blue);
}
int PdfLibrary::DrawLine(double x1, double y1, double x2, double y2) {
    return Forward(object_, 0, &pdfax::Library::DrawLine, x1, y1, x2, y2);
}

std::string PdfLibrary::NewCustomPrinter(const std::string& printerName) {
    return Forward(object_, std::string(), &pdfax::Library::NewCustomPrinter, printerName);
}
int PdfLibrary::SetupCustomPrinter(const std::string& customPrinter, int setting, int value) {
    return Forward(object_, 0, &pdfax::Library::SetupCustomPrinter, customPrinter, setting, value);
}
int PdfLibrary::PrintDocument(const std::string& printerName, int firstPage, int lastPage,
                              int options) {
    return Forward(object_, 0, &pdfax::Library::PrintDocument, printerName, firstPage, lastPage,
                   options);
}

pdfax::CallError PdfLibrary::LastError() {
    if (!object_)
        return {"", "", pdfax::Problem::kFailed, "the PDF library is not loaded"};
    pdfax::CallError error = Forward(object_, pdfax::CallError{}, &pdfax::Library::LastError);
    // The user is told in words; the log keeps what the library said.
    if (error.problem != pdfax::Problem::kNone) {
        qCWarning(lcLibrary).noquote()
            << QString::fromStdString(error.operation)
            << QFile::decodeName(QByteArray::fromStdString(error.path))
            << QString::fromStdString(ProblemText(error)) << QString::fromStdString(error.detail);
    }
    return error;
}
int PdfLibrary::RenderPagesToFiles(
    const std::vector<pdfax::RenderJob>& jobs, int workers,
    const std::function<bool(int, const pdfax::RenderedImage&)>& done,
    const std::function<bool()>& cancelled) {
    return Forward(object_, -1, &pdfax::Library::RenderPagesToFiles, jobs, workers, done,
                   cancelled);
}
int PdfLibrary::ComparePageFile(const std::string& input, const std::string& password, int page,
                                const std::string& pageFile) {
    return Forward(object_, 0, &pdfax::Library::ComparePageFile, input, password, page, pageFile);
}

}  // namespace vellumark
