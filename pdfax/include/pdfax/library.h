// The binary interface of the PDF library module (PDFAX18.dll).
//
// The program loads the module in-process and reaches it only through the
// factory entry point below and the abstract `Library` object it creates.
// Paths are the platform's own bytes (not necessarily UTF-8); other texts are
// UTF-8. No method throws: a failure is reported as 0 or an empty text.
#pragma once

#include <string>

namespace pdfax {

// Identifies the library class; the only class the factory creates.
inline constexpr const char* kClassId = "{6876E803-14CA-4ABF-9075-24F087AE8868}";
// Identifies this version of the `Library` interface. A module built against
// another layout of the interface answers with an error instead of an object.
inline constexpr const char* kLibraryInterfaceId = "pdfax.Library/1";
inline constexpr const char* kClassFactoryInterfaceId = "pdfax.ClassFactory/1";
// Name of the exported factory entry point.
inline constexpr const char* kFactoryEntryPoint = "DllGetClassObject";

enum Result : int { kOk = 0, kNoInterface = 1, kNoClass = 2, kFailed = 3 };

class Library {
public:
    virtual void AddRef() = 0;
    virtual void Release() = 0;

    // Renderer set-up; rendering here does not depend on a separate file.
    virtual int SetPDFiumFileName(const std::string& path) = 0;
    virtual int SelectRenderer(int renderer) = 0;
    virtual int CreateRenderer() = 0;
    virtual int SetPDFiumRenderFlags(int flags) = 0;

    // Library-wide settings.
    virtual int AddUnicodeFont(const std::string& fontName, int encodingOptions,
                               int embedOptions) = 0;
    virtual int SelectFont(int fontId) = 0;
    virtual int SetGlobalMeasurementUnits(int units) = 0;  // 1: millimetres
    virtual int SetGlobalOrigin(int origin) = 0;           // 5: top-left, y down

    // The current document.
    virtual int LoadFromFile(const std::string& path, const std::string& password) = 0;
    virtual int PageCount() = 0;
    virtual double PageWidth() = 0;
    virtual double PageHeight() = 0;
    virtual int ExtractFilePages(const std::string& input, const std::string& password,
                                 const std::string& output, const std::string& pageList) = 0;

    // Direct access to files through handles.
    virtual int DAOpenFileReadOnly(const std::string& path, const std::string& password) = 0;
    virtual int DAOpenFile(const std::string& path, const std::string& password) = 0;
    virtual int DAFindPage(int fileHandle, int page) = 0;
    virtual int DARotatePage(int fileHandle, int pageRef, int angle, int options) = 0;
    virtual int DARenderPageToFile(int fileHandle, int pageRef, int format, double dpi,
                                   const std::string& output) = 0;
    virtual int DASetPageSize(int fileHandle, int pageRef, double width, double height) = 0;
    virtual int DAAppendFile(int fileHandle) = 0;
    virtual int DACloseFile(int fileHandle) = 0;

    // Composition on the current document.
    virtual int NewDocument() = 0;
    virtual int SaveToFile(const std::string& path) = 0;
    virtual int NewPage() = 0;
    virtual int AddImageFromFile(const std::string& path, int options) = 0;
    virtual int SelectImage(int imageId) = 0;
    virtual int DrawImage(double left, double top, double width, double height) = 0;
    virtual int SetLineColor(double red, double green, double blue) = 0;
    virtual int DrawLine(double x1, double y1, double x2, double y2) = 0;

    // Printing.
    virtual std::string NewCustomPrinter(const std::string& printerName) = 0;
    virtual int SetupCustomPrinter(const std::string& customPrinter, int setting, int value) = 0;
    virtual int PrintDocument(const std::string& printerName, int firstPage, int lastPage,
                              int options) = 0;

protected:
    ~Library() = default;
};

class ClassFactory {
public:
    virtual int CreateInstance(void* outer, const char* interfaceId, void** object) = 0;
    virtual void Release() = 0;

protected:
    ~ClassFactory() = default;
};

using FactoryEntryPoint = int (*)(const char* classId, const char* interfaceId, void** factory);

}  // namespace pdfax
