// The one way into the PDF library module: every call of the module's object
// under the same name. With no object, or on any failure, a call returns 0 or
// an empty text and never throws.
//
// Paths are the platform's own bytes; other texts are UTF-8.
#pragma once

#include <pdfax/library.h>

#include <string>

namespace vellumark {

class PdfLibrary {
public:
    PdfLibrary() = default;
    ~PdfLibrary();
    PdfLibrary(const PdfLibrary& other);  // shares the object
    PdfLibrary& operator=(const PdfLibrary& other);

    // Deploys the carried module into `programDirectory` (no trailing
    // separator) unless the file there holds it already, activates it and
    // applies the library-wide settings (millimetres, top-left origin, the
    // Unicode font "SimSun"). When that folder takes no module, it goes to
    // `fallbackDirectory` (empty: none). Failure leaves the facade empty,
    // silently.
    void Initialise(const std::string& programDirectory,
                    const std::string& fallbackDirectory = std::string());
    // Activates the module at `libraryFile` without deploying anything.
    void ActivateFrom(const std::string& libraryFile);
    bool HasObject() const { return object_ != nullptr; }

    int SetPDFiumFileName(const std::string& path);
    int SelectRenderer(int renderer);
    int CreateRenderer();
    int SetPDFiumRenderFlags(int flags);
    int AddUnicodeFont(const std::string& fontName, int encodingOptions, int embedOptions);
    int SelectFont(int fontId);
    int SetGlobalMeasurementUnits(int units);
    int SetGlobalOrigin(int origin);

    int LoadFromFile(const std::string& path, const std::string& password);
    int PageCount();
    double PageWidth();
    double PageHeight();
    int ExtractFilePages(const std::string& input, const std::string& password,
                         const std::string& output, const std::string& pageList);

    int DAOpenFileReadOnly(const std::string& path, const std::string& password);
    int DAOpenFile(const std::string& path, const std::string& password);
    int DAFindPage(int fileHandle, int page);
    int DARotatePage(int fileHandle, int pageRef, int angle);
    int DARenderPageToFile(int fileHandle, int pageRef, int format, double dpi,
                           const std::string& output);
    int DASetPageSize(int fileHandle, int pageRef, double width, double height);
    int DAAppendFile(int fileHandle);
    int DACloseFile(int fileHandle);

    int NewDocument();
    int SaveToFile(const std::string& path);
    int NewPage();
    int AddImageFromFile(const std::string& path, int options);
    int SelectImage(int imageId);
    int DrawImage(double left, double top, double width, double height);
    int SetLineColor(double red, double green, double blue);
    int DrawLine(double x1, double y1, double x2, double y2);

    std::string NewCustomPrinter(const std::string& printerName);
    int SetupCustomPrinter(const std::string& customPrinter, int setting, int value);
    int PrintDocument(const std::string& printerName, int firstPage, int lastPage, int options);

    // What the last call failed at, and why; problem kNone after a call
    // that succeeded. An empty facade always answers that it is not loaded.
    pdfax::CallError LastError();
    // Renders the jobs in renderer processes (see pdfax::Library); returns
    // the number of images written, or -1 when the call failed (always with
    // an empty facade). Jobs it never reported were not rendered.
    int RenderPagesToFiles(const std::vector<pdfax::RenderJob>& jobs, int workers,
                           const std::function<bool(int, const pdfax::RenderedImage&)>& done,
                           const std::function<bool()>& cancelled = {});
    // 1 when `pageFile` holds page `page` of `input` as ExtractFilePages
    // writes it.
    int ComparePageFile(const std::string& input, const std::string& password, int page,
                        const std::string& pageFile);

private:
    void ApplyLibraryWideSettings();

    pdfax::Library* object_ = nullptr;
};

}  // namespace vellumark
