#include "render/render_job.h"

#include "base/failure.h"
#include "pdf/open_pdf.h"
#include "pdf/page_geometry.h"
#include "render/render_page.h"
#include "text/page_text.h"

#include <QPdfDocument>

#include <qpdf/QPDFPageDocumentHelper.hh>

#include <ofd/ofd.h>

#include <exception>
#include <variant>

namespace pdfax {
namespace {

// More characters than any invoice holds; a page with more is no invoice,
// and its text would only swell the renderer's answer.
constexpr std::size_t kMaxGlyphs = 100000;

// The page's text layer; a page whose content cannot be read has none, and
// its render says whether it can be drawn.
std::vector<TextGlyph> TextOf(QPDFObjectHandle page, std::vector<PageArea>& images) {
    try {
        std::vector<TextGlyph> glyphs = ReadPageText(page, &images);
        if (glyphs.size() > kMaxGlyphs)
            glyphs.clear();
        return glyphs;
    } catch (const std::exception&) {
        return {};
    }
}

// The job's input as a PDF and the page to render of it. An OFD page is
// made into a one-page PDF here, in the renderer's process, so that a
// package that crashes the conversion costs only its page; what the page
// had to be made without is noted in `image`.
struct PageToRender {
    std::shared_ptr<QPDF> pdf;
    int page = 1;
};

PageToRender OpenInput(const RenderJob& job, RenderedImage& image) {
    if (job.inputFormat != kInputOfd)
        return {OpenPdf(job.input, job.password), job.page};
    auto converted = ofd::OfdPageAsPdf(job.input, job.page - 1);
    if (const auto* error = std::get_if<ofd::Error>(&converted))
        throw Failure(Problem::kBadOfd, job.input, error->words + "\n" + error->detail);
    ofd::PagePdf& page = std::get<ofd::PagePdf>(converted);
    for (ofd::Error& omitted : page.omitted)
        image.omitted.push_back({std::move(omitted.words), std::move(omitted.detail)});
    return {OpenPdfBytes(job.input, std::move(page.pdf)), 1};
}

}  // namespace

RenderedImage RenderJobToFile(const RenderJob& job) {
    RenderedImage image;
    try {
        const PageToRender input = OpenInput(job, image);
        QPDF* pdf = input.pdf.get();
        const auto pages = QPDFPageDocumentHelper(*pdf).getAllPages();
        if (input.page < 1 || static_cast<std::size_t>(input.page) > pages.size())
            throw Failure(Problem::kDamaged, job.input, "no such page");
        QPDFObjectHandle page = pages[static_cast<std::size_t>(input.page - 1)].getObjectHandle();
        CodePlaces places;
        places.search = job.codes;
        if (job.readFacts)
            image.text = TextOf(page, places.images);
        // Only this copy in memory turns; the file stays as it is.
        if (job.rotation >= 0) {
            places.turn = ((job.rotation - PageRotation(page)) % 360 + 360) % 360;
            page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(job.rotation % 360));
        }
        const RenderedPage rendered = RenderPage(*pdf, page, job.input, job, places);
        image.width = rendered.size.width;
        image.height = rendered.size.height;
        image.code = rendered.code;
        image.error = {};
    } catch (const Failure& e) {
        image.error = {"RenderPagesToFiles", e.path(), e.problem(), e.detail()};
    } catch (const std::bad_alloc& e) {
        image.error = {"RenderPagesToFiles", job.input, Problem::kTooLarge, e.what()};
    } catch (const std::exception& e) {
        // Whatever else qpdf throws is about data it could not make sense of.
        image.error = {"RenderPagesToFiles", job.input, Problem::kDamaged, e.what()};
    }
    return image;
}

struct RendererSession::Idle {
    QPdfDocument document;
};

RendererSession::RendererSession() : idle_(new Idle) {}

RendererSession::~RendererSession() {
    delete idle_;
}

}  // namespace pdfax
