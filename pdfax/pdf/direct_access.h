// Files opened by handle for page-level work (rotate, resize, render).
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <map>
#include <memory>
#include <string>

namespace pdfax {

class DirectAccess {
public:
    // Handles and page references are positive; 0 means failure (Open
    // throws a Failure saying why the file does not open). A
    // read-only handle may still change its pages in memory (to render them
    // turned) but never writes them back.
    int Open(const std::string& path, const std::string& password, bool readOnly);
    int FindPage(int handle, int page);
    bool RotatePage(int handle, int pageRef, int angle);
    bool SetPageSize(int handle, int pageRef, double widthPoints, double heightPoints);
    // Writes the handle's changes back into its file, atomically; throws a
    // Failure when it cannot.
    bool AppendFile(int handle);
    bool Close(int handle);

    // The open document and page object behind a page reference, for the
    // renderer; a null pdf when the handle or reference is unknown.
    struct PageAccess {
        QPDF* pdf = nullptr;
        QPDFObjectHandle page;
        std::string path;
    };
    PageAccess Page(int handle, int pageRef);

private:
    struct OpenFile {
        std::shared_ptr<QPDF> pdf;
        std::string path;
        std::string password;
        bool readOnly = true;
        std::map<int, QPDFObjectHandle> pages;  // page reference -> page
        std::map<int, int> pageNumbers;         // page reference -> 1-based number
    };
    OpenFile* Find(int handle);
    QPDFObjectHandle* FindPageObject(int handle, int pageRef);

    std::map<int, OpenFile> files_;
    int nextHandle_ = 1;
    int nextPageRef_ = 1;
};

}  // namespace pdfax
