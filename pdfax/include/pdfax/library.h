// The binary interface of the PDF library module (PDFAX18.dll).
//
// The program loads the module in-process and reaches it only through the
// factory entry point below and the abstract `Library` object it creates.
// Paths are the platform's own bytes (not necessarily UTF-8); other texts are
// UTF-8. No method throws: a failure is reported as 0 or an empty text, and
// LastError() then tells what failed and why.
#pragma once

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

namespace pdfax {

// Identifies the library class; the only class the factory creates.
inline constexpr const char* kClassId = "{6876E803-14CA-4ABF-9075-24F087AE8868}";
// Identifies this version of the `Library` interface. A module built against
// another layout of the interface answers with an error instead of an object.
inline constexpr const char* kLibraryInterfaceId = "pdfax.Library/8";
inline constexpr const char* kClassFactoryInterfaceId = "pdfax.ClassFactory/1";
// Name of the exported factory entry point.
inline constexpr const char* kFactoryEntryPoint = "DllGetClassObject";

enum Result : int { kOk = 0, kNoInterface = 1, kNoClass = 2, kFailed = 3 };

// Image formats of DARenderPageToFile and RenderPagesToFiles. A job of
// format "none" writes no file: it renders the page only to read its code.
inline constexpr int kImageFormatNone = 0;
inline constexpr int kImageFormatJpeg = 1;
inline constexpr int kImageFormatPng = 5;

// What a RenderJob's input is: a PDF file, or an OFD invoice package whose
// page the renderer first turns into a one-page PDF in its own process.
inline constexpr int kInputPdf = 0;
inline constexpr int kInputOfd = 1;

// The renderer code of SelectRenderer for the PDFium renderer, the only one.
inline constexpr int kRendererPdfium = 4;
// The SetPDFiumRenderFlags flag callers pass before printing.
inline constexpr int kRenderForPrinting = 2048;

// Units of SetGlobalMeasurementUnits.
enum MeasurementUnit : int { kUnitPoints = 0, kUnitMillimetres = 1, kUnitInches = 2 };
// Origins of SetGlobalOrigin: PDF's own bottom-left corner with y growing
// upwards, or the top-left corner with y growing downwards.
enum Origin : int { kOriginBottomLeft = 0, kOriginTopLeft = 5 };

// The settings of SetupCustomPrinter: the Windows printer-setting codes.
enum PrinterSetting : int {
    kPaperSize = 1,    // Windows paper code; 0 is a size given by length and width
    kPaperLength = 2,  // millimetres
    kPaperWidth = 3,   // millimetres
    kCopies = 4,
    kQuality = 5,  // 1..4 high, medium, low, draft; above 10 dots per inch
    kColour = 6,   // 1 monochrome, 2 colour
    kDuplex = 7,   // 1 simplex, 2 vertical (long edge), 3 horizontal (short edge)
    kCollate = 8,  // 0 off, 1 on
    kPaperSource = 9,
    kMediaType = 10,   // 1 standard paper
    kOrientation = 11  // 1 portrait, 2 landscape
};

// Every file the library writes is first written under this prefix in the
// target's folder (".vellumark-" and six characters), locked with flock()
// for as long as its writer works on it, and then renamed or linked into
// place. A temporary file that can be locked is left over from a writer that
// died and may be removed.
inline constexpr const char* kTempFilePrefix = ".vellumark-";

// Why a call failed, in the terms a user is told.
enum class Problem : int {
    kNone = 0,
    kFailed,         // a call that cannot succeed (no document, unknown handle)
    kMissing,        // no such file
    kNoAccess,       // the file may not be read
    kEmpty,          // a file of zero bytes
    kNotPdf,         // no PDF header
    kNeedsPassword,  // encrypted with a user password
    kDamaged,        // beyond repair
    kTooLarge,       // a page too large to render
    kNameTaken,      // the name to create is taken
    kNameTooLong,    // the name is longer than the file system allows
    kCannotWrite,    // read-only medium or no permission
    kDiskFull,       // no space left, or over quota
    kIoError,        // the medium reported an error
    kSpooler,        // the print spooler refused; the detail has its words
    // An OFD package that cannot be read, or a page of it that cannot be
    // made into a PDF. The detail's first line is the reader's own words for
    // the user; the cause, for the log, follows on the next.
    kBadOfd,
    // A page the renderer processes could not finish, a fresh one included:
    // the renderer's failure, not the file's. The detail tells how they ended.
    kRendererCrashed,   // died or answered nonsense
    kRendererTimedOut,  // gave no answer in time and was killed
    kNotRendered,       // no result was reported for the page (keep this last)
};

// The problem behind the errno value of a failed file operation; the
// program uses it for its own file operations too, so both speak alike.
inline Problem ProblemOfErrno(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
            return Problem::kDiskFull;
        case EROFS:
        case EACCES:
        case EPERM:
            return Problem::kCannotWrite;
        case ENAMETOOLONG:
            return Problem::kNameTooLong;
        case EEXIST:
            return Problem::kNameTaken;
        case ENOENT:
        case ENOTDIR:
            return Problem::kMissing;
        case EFBIG:
            return Problem::kTooLarge;
        default:
            return Problem::kIoError;
    }
}

// How the last call ended: the call's name, the file it
// was about (platform bytes; empty when none) and why. `detail` is the
// underlying library's or spooler's own text, for logs and the spooler's
// reason; it is never shown raw for the other problems.
struct CallError {
    std::string operation;
    std::string path;
    Problem problem = Problem::kNone;
    std::string detail;
};

// One character of a page's text layer where it stands: its origin on the
// baseline and its advance, in points from the top-left corner of the page
// as a viewer shows it, the height of its font there, and which way it
// advances: in degrees clockwise from left to right as the viewer shows the
// page (90: down the page, as on a page turned inside its box or in a
// column written downwards; 180: upside down).
struct TextGlyph {
    std::string text;  // UTF-8; several characters for a ligature
    double x = 0, y = 0;
    double advance = 0;
    double size = 0;
    double angle = 0;  // from 0 to 360
};

// A part of a page as a viewer shows it, in fractions of its width and
// height from its top-left corner.
struct PageRegion {
    double left = 0, top = 0, width = 1, height = 1;
};

// Where a page's QR code may stand; the caller knows its documents, the
// library only looks where it is told. First the images drawn about square
// (width and height within `squareTolerance` of the width of each other)
// whose side lies from `minImageSide` to `maxImageSide` points, each at the
// render's resolution; then each region, at about `regionDpi`. An empty
// search reads no code.
//
// Only when none of those gives a code: each of `harderRegions` at about
// `harderDpi` (0: the render's own resolution), read the slow way, which
// also finds codes that are faint, small, turned or on a busy background.
struct CodeSearch {
    double minImageSide = 0;
    double maxImageSide = 0;
    double squareTolerance = 0;
    std::vector<PageRegion> regions;
    double regionDpi = 100;
    std::vector<PageRegion> harderRegions;
    double harderDpi = 0;
};

// One page to render to an image file (RenderPagesToFiles).
struct RenderJob {
    std::string input;     // a PDF file, or an OFD package (inputFormat)
    std::string password;  // its user password, usually empty
    int page = 1;          // from 1
    int inputFormat = kInputPdf;
    int rotation = -1;  // the page's rotation to set first (0, 90, 180, 270), -1 to keep it
    int format = kImageFormatPng;
    double dpi = 300;
    std::string output;      // the image file, replaced whole
    bool readFacts = false;  // also read the page's text layer, and its QR code where `codes` says
    CodeSearch codes;
};

// Something a page was rendered without (an OFD seal whose structure is
// unknown, a picture that cannot be decoded): the page is still worth
// printing, but the user should hear what is missing.
struct PageOmission {
    std::string words;   // UTF-8, for the user
    std::string detail;  // the cause, for the log
};

// How a render ended: the image's pixel size, or the error (problem kNone
// when it was written). Only a reported render can be a success: one made
// without a result says the page was not rendered.
struct RenderedImage {
    CallError error{"RenderPagesToFiles", {}, Problem::kNotRendered, {}};
    int width = 0;
    int height = 0;
    // With readFacts: the text of the page's QR code (UTF-8; empty when none
    // was read) and its text layer as the file has it, before any rotation.
    std::string code;
    std::vector<TextGlyph> text;
    std::vector<PageOmission> omitted;
};

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
    virtual int SetGlobalMeasurementUnits(int units) = 0;  // a MeasurementUnit
    virtual int SetGlobalOrigin(int origin) = 0;           // an Origin

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

    // Renders every job, at most `workers` at a time (0: one per processor),
    // in renderer processes of the file named by SetPDFiumFileName, or in
    // this process when that file cannot run. Calls `done(index, image)` on
    // the caller's thread as each job ends, in any order. A renderer that
    // dies or takes too long over a page is killed and the page tried once
    // more in a fresh one. When `done` returns false or `cancelled` (asked
    // a few times a second; may be empty) returns true, no further job
    // starts, renderers still at work are killed and their jobs are not
    // reported. Returns the number of images written, or -1 when the call
    // failed (LastError says why); a job never reported was not rendered.
    // The images do not depend on the number of workers.
    virtual int RenderPagesToFiles(
        const std::vector<RenderJob>& jobs, int workers,
        const std::function<bool(int index, const RenderedImage& image)>& done,
        const std::function<bool()>& cancelled) = 0;

    // How the last call ended (problem kNone when it succeeded).
    virtual CallError LastError() = 0;

    // 1 when the one-page PDF `pageFile` holds exactly page `page` of `input`
    // (the same objects, annotations and data, as ExtractFilePages writes
    // it), else 0. Finishing an interrupted split relies on it.
    virtual int ComparePageFile(const std::string& input, const std::string& password, int page,
                                const std::string& pageFile) = 0;

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
