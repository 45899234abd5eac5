// The library object behind the module's factory.
#pragma once

#include "compose/composer.h"
#include "pdf/direct_access.h"
#include "pdf/document.h"
#include "pdf/extract_pages.h"
#include "pdf/page_geometry.h"
#include "print/printing.h"
#include "render/render_pool.h"

#include <pdfax/library.h>

#include <atomic>

namespace pdfax {

class LibraryObject final : public Library {
public:
    void AddRef() override;
    void Release() override;

    int SetPDFiumFileName(const std::string& path) override;
    int SelectRenderer(int renderer) override;
    int CreateRenderer() override;
    int SetPDFiumRenderFlags(int flags) override;

    int AddUnicodeFont(const std::string& fontName, int encodingOptions, int embedOptions) override;
    int SelectFont(int fontId) override;
    int SetGlobalMeasurementUnits(int units) override;
    int SetGlobalOrigin(int origin) override;

    int LoadFromFile(const std::string& path, const std::string& password) override;
    int PageCount() override;
    double PageWidth() override;
    double PageHeight() override;
    int ExtractFilePages(const std::string& input, const std::string& password,
                         const std::string& output, const std::string& pageList) override;

    int DAOpenFileReadOnly(const std::string& path, const std::string& password) override;
    int DAOpenFile(const std::string& path, const std::string& password) override;
    int DAFindPage(int fileHandle, int page) override;
    int DARotatePage(int fileHandle, int pageRef, int angle, int options) override;
    int DARenderPageToFile(int fileHandle, int pageRef, int format, double dpi,
                           const std::string& output) override;
    int DASetPageSize(int fileHandle, int pageRef, double width, double height) override;
    int DAAppendFile(int fileHandle) override;
    int DACloseFile(int fileHandle) override;

    int NewDocument() override;
    int SaveToFile(const std::string& path) override;
    int NewPage() override;
    int AddImageFromFile(const std::string& path, int options) override;
    int SelectImage(int imageId) override;
    int DrawImage(double left, double top, double width, double height) override;
    int SetLineColor(double red, double green, double blue) override;
    int DrawLine(double x1, double y1, double x2, double y2) override;

    std::string NewCustomPrinter(const std::string& printerName) override;
    int SetupCustomPrinter(const std::string& customPrinter, int setting, int value) override;
    int PrintDocument(const std::string& printerName, int firstPage, int lastPage,
                      int options) override;

    int RenderPagesToFiles(const std::vector<RenderJob>& jobs, int workers,
                           const std::function<bool(int index, const RenderedImage& image)>& done,
                           const std::function<bool()>& cancelled) override;

    CallError LastError() override;
    int ComparePageFile(const std::string& input, const std::string& password, int page,
                        const std::string& pageFile) override;

private:
    ~LibraryObject() = default;

    // Runs one entry point: nothing escapes the module, and a failure, thrown
    // or returned, becomes the call's error about `path`.
    template <typename Result, typename Body>
    Result Call(const char* operation, const std::string& path, Result failure,
                Body&& body) noexcept;

    // The current page as a viewer shows it, in points; 0 x 0 without one.
    PageSize CurrentPageSize() const;

    // y of the interface (in points) to y from the top of the current page.
    double TopDown(double yPoints) const;

    std::atomic<int> refs_{1};
    Units units_;
    Document document_;
    Composer composer_;
    DirectAccess files_;
    Printing printing_;
    PageSource splitSource_;
    CallError lastError_;
    int nextFontId_ = 1;
    RenderPool renderers_;
};

}  // namespace pdfax
