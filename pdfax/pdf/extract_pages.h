// Writing a selection of a file's pages as a new PDF, and recognising such a
// file again.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <sys/types.h>

#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pdfax {

// The 1-based page numbers of a list such as "2", "1,3" or "2-4", in order;
// nothing when the list is malformed, names a page twice or one outside
// 1..pageCount.
std::optional<std::vector<int>> ParsePageList(const std::string& pageList, int pageCount);

// The input of a split, opened once for all its pages: splitting a file of n
// pages asks for each page in turn, and opening the file anew each time made
// the split take time in proportion to n squared. A file that changed on
// disk, or another password, is opened again.
class PageSource {
public:
    // Throws a Failure when the file cannot be opened.
    void Use(const std::string& path, const std::string& password);
    void Forget();

    QPDF& pdf() const { return *pdf_; }
    const std::string& path() const { return path_; }
    const std::string& password() const { return password_; }
    const std::vector<QPDFPageObjectHelper>& pages() const { return pages_; }
    // The form, analysed once: each analysis reads every field of the file.
    QPDFAcroFormDocumentHelper& form() const { return *form_; }

private:
    std::shared_ptr<QPDF> pdf_;
    std::string path_;
    std::string password_;
    std::vector<QPDFPageObjectHelper> pages_;
    std::unique_ptr<QPDFAcroFormDocumentHelper> form_;
    // What the file was when it was opened.
    dev_t device_ = 0;
    ino_t inode_ = 0;
    off_t size_ = 0;
    timespec modified_{};
};

// Writes the pages named by `pageList` of the source to a new file `output`,
// keeping each page's annotations and form fields. The file appears complete
// or not at all, is never written over an existing name, and counts as
// written only when it reads back with the expected page count. Throws a
// Failure otherwise.
void ExtractPages(const PageSource& source, const std::string& output, const std::string& pageList);

// True when the one-page file `pageFile` holds page `page` of the source as
// ExtractPages writes it: the same objects, annotations and data (the file's
// identifier and encryption salt aside).
bool PageFileMatches(const PageSource& source, int page, const std::string& pageFile);

}  // namespace pdfax
