// OFD invoices: the fixed-layout zip packages the tax platform issues beside
// PDF and XML. A document is opened once (its structure read and checked),
// then asked for its page count and sizes, for any page as a one-page PDF in
// memory that the PDF renderer and the text reader take as they take any
// PDF, and for the invoice facts its own metadata states.
//
// Nothing is written anywhere; the file is only read. Paths are the
// platform's bytes. No function throws: a failure comes back as an Error.
#pragma once

#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace ofd {

// Why something could not be done: `words` in plain Chinese for the user,
// `detail` with the library's own text and the entry concerned, for a log.
struct Error {
    std::string words;
    std::string detail;
};

struct SizeMm {
    double width = 0;
    double height = 0;
};

// One fact and where it was read, e.g. "OFD.xml CustomData 发票号码" or
// "Doc_0/Attachs/original_invoice.xml InvoiceNo"; both empty when unknown.
struct InvoiceField {
    std::string value;  // UTF-8
    std::string from;
};

// The invoice as its metadata states it. Kinds are named as the program's
// listing names them ("digital_special", "e_ordinary", ..., "other"); the
// date is YYYY-MM-DD and the amounts are yuan with two decimals.
struct InvoiceData {
    InvoiceField kind, code, number, date, total, amount, tax;
    InvoiceField seller, seller_id, buyer, buyer_id;
};

// A page as a PDF of one page, and what had to be left off it (a seal whose
// structure is not known, a picture that could not be decoded): the page is
// still worth printing, but the user should hear what is missing.
struct PagePdf {
    std::string pdf;
    std::vector<Error> omitted;
};

class OfdDocument {
public:
    OfdDocument(OfdDocument&&) noexcept;
    OfdDocument& operator=(OfdDocument&&) noexcept;
    ~OfdDocument();

    int PageCount() const;
    // The page's physical box; {0, 0} for an index out of range.
    SizeMm PageSizeMm(int index) const;
    std::variant<PagePdf, Error> PageAsPdf(int index) const;
    InvoiceData Invoice() const;

    struct Impl;
    explicit OfdDocument(std::unique_ptr<Impl> impl);

private:
    std::unique_ptr<Impl> impl_;
};

// Reads and checks the package: the zip, OFD.xml, the first document and
// every page and template it names. Pages are converted only when asked.
std::variant<OfdDocument, Error> OpenOfd(const std::string& pathBytes);
// The same for a package already in memory.
std::variant<OfdDocument, Error> OpenOfdBytes(std::string bytes);

// One call for a renderer process: the page `index` of the file as a PDF.
std::variant<PagePdf, Error> OfdPageAsPdf(const std::string& pathBytes, int index);

}  // namespace ofd
