#include "pdf/direct_access.h"

#include "base/atomic_file.h"
#include "base/failure.h"
#include "pdf/open_pdf.h"
#include "pdf/page_geometry.h"

#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cmath>

namespace pdfax {
namespace {

// The largest page side a PDF reader is expected to accept, in points.
constexpr double kMaxPageSide = 14400;

}  // namespace

DirectAccess::OpenFile* DirectAccess::Find(int handle) {
    auto it = files_.find(handle);
    return it == files_.end() ? nullptr : &it->second;
}

QPDFObjectHandle* DirectAccess::FindPageObject(int handle, int pageRef) {
    OpenFile* file = Find(handle);
    if (!file)
        return nullptr;
    auto it = file->pages.find(pageRef);
    return it == file->pages.end() ? nullptr : &it->second;
}

int DirectAccess::Open(const std::string& path, const std::string& password, bool readOnly) {
    auto pdf = OpenPdf(path, password);
    if (nextHandle_ <= 0)
        return 0;
    OpenFile file;
    file.pdf = std::move(pdf);
    file.path = path;
    file.password = password;
    file.readOnly = readOnly;
    const int handle = nextHandle_++;
    files_.emplace(handle, std::move(file));
    return handle;
}

int DirectAccess::FindPage(int handle, int page) {
    OpenFile* file = Find(handle);
    if (!file || page < 1)
        return 0;
    // Asking twice for a page gives the same reference.
    for (const auto& [ref, object] : file->pages) {
        if (file->pageNumbers[ref] == page)
            return ref;
    }
    const std::vector<QPDFPageObjectHelper> pages =
        QPDFPageDocumentHelper(*file->pdf).getAllPages();
    if (pages.empty())
        throw Failure(Problem::kDamaged, file->path, "no pages");
    if (static_cast<std::size_t>(page) > pages.size() || nextPageRef_ <= 0)
        return 0;
    const int ref = nextPageRef_++;
    file->pages.emplace(ref, pages[static_cast<std::size_t>(page - 1)].getObjectHandle());
    file->pageNumbers.emplace(ref, page);
    return ref;
}

bool DirectAccess::RotatePage(int handle, int pageRef, int angle) {
    QPDFObjectHandle* page = FindPageObject(handle, pageRef);
    if (!page || angle % 90 != 0)
        return false;
    int normalised = angle % 360;
    if (normalised < 0)
        normalised += 360;
    // The page's own entry wins over one inherited from the page tree, so
    // this replaces whatever rotation the page had. Only the copy in memory
    // changes; the file is written only by AppendFile.
    page->replaceKey("/Rotate", QPDFObjectHandle::newInteger(normalised));
    return true;
}

bool DirectAccess::SetPageSize(int handle, int pageRef, double widthPoints, double heightPoints) {
    QPDFObjectHandle* page = FindPageObject(handle, pageRef);
    if (!page || !(widthPoints > 0) || !(heightPoints > 0) || widthPoints > kMaxPageSide ||
        heightPoints > kMaxPageSide) {
        return false;
    }
    // The size asked for is the size the reader shows, so a page turned a
    // quarter gets its box the other way round.
    const int rotation = PageRotation(*page);
    const bool turned = rotation == 90 || rotation == 270;
    const double boxWidth = turned ? heightPoints : widthPoints;
    const double boxHeight = turned ? widthPoints : heightPoints;
    page->replaceKey("/MediaBox", QPDFObjectHandle::newArray(
                                      QPDFObjectHandle::Rectangle(0, 0, boxWidth, boxHeight)));
    // Older boxes would clip the page back to its previous size, and a
    // UserUnit would scale the new one.
    for (const char* key : {"/CropBox", "/BleedBox", "/TrimBox", "/ArtBox", "/UserUnit"}) {
        page->removeKey(key);
    }
    return true;
}

bool DirectAccess::AppendFile(int handle) {
    OpenFile* file = Find(handle);
    if (!file || file->readOnly)
        return false;
    QPDF& pdf = *file->pdf;
    const std::size_t pages = QPDFPageDocumentHelper(pdf).getAllPages().size();
    ReplaceFileAtomically(
        file->path,
        [&](TempFile& temp) {
            QPDFWriter writer(pdf);
            writer.setOutputPipeline(temp.AsPipeline());
            writer.setDecodeLevel(qpdf_dl_none);
            writer.write();
        },
        // Replace the file only with one that reads back.
        [&](const std::string& tempPath) {
            return StrictPageCount(tempPath, file->password) == pages;
        },
        Durability::kOnDisk);
    return true;
}

bool DirectAccess::Close(int handle) {
    return files_.erase(handle) > 0;
}

DirectAccess::PageAccess DirectAccess::Page(int handle, int pageRef) {
    OpenFile* file = Find(handle);
    QPDFObjectHandle* page = FindPageObject(handle, pageRef);
    if (!file || !page)
        return {};
    return {file->pdf.get(), *page, file->path};
}

}  // namespace pdfax
