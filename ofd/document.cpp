#include "error_words.h"
#include "invoice_data.h"
#include "model.h"
#include "ofd/ofd.h"
#include "page_pdf.h"

namespace ofd {

struct OfdDocument::Impl {
    std::unique_ptr<Model> model;
};

OfdDocument::OfdDocument(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
OfdDocument::OfdDocument(OfdDocument&&) noexcept = default;
OfdDocument& OfdDocument::operator=(OfdDocument&&) noexcept = default;
OfdDocument::~OfdDocument() = default;

int OfdDocument::PageCount() const {
    return static_cast<int>(impl_->model->pages.size());
}

SizeMm OfdDocument::PageSizeMm(int index) const {
    if (index < 0 || index >= PageCount())
        return {};
    const Box& box = impl_->model->pages[static_cast<std::size_t>(index)].box;
    return {box.width, box.height};
}

std::variant<PagePdf, Error> OfdDocument::PageAsPdf(int index) const {
    return ConvertPage(*impl_->model, index);
}

InvoiceData OfdDocument::Invoice() const {
    return ReadInvoiceData(*impl_->model);
}

namespace {

std::variant<OfdDocument, Error> Load(std::variant<std::unique_ptr<Package>, Error> package) {
    if (auto* error = std::get_if<Error>(&package))
        return std::move(*error);
    auto model = LoadModel(std::move(std::get<std::unique_ptr<Package>>(package)), 0);
    if (auto* error = std::get_if<Error>(&model))
        return std::move(*error);
    auto impl = std::make_unique<OfdDocument::Impl>();
    impl->model = std::move(std::get<std::unique_ptr<Model>>(model));
    return OfdDocument(std::move(impl));
}

}  // namespace

std::variant<OfdDocument, Error> OpenOfd(const std::string& pathBytes) {
    return Load(Package::FromFile(pathBytes));
}

std::variant<OfdDocument, Error> OpenOfdBytes(std::string bytes) {
    return Load(Package::FromBytes(std::move(bytes)));
}

std::variant<PagePdf, Error> OfdPageAsPdf(const std::string& pathBytes, int index) {
    auto document = OpenOfd(pathBytes);
    if (auto* error = std::get_if<Error>(&document))
        return std::move(*error);
    return std::get<OfdDocument>(document).PageAsPdf(index);
}

}  // namespace ofd
