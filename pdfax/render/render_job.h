// One render of one invoice page to an image file, described completely so
// that a renderer process can do it as well as this one.
#pragma once

#include <pdfax/library.h>

#include <string>

namespace pdfax {

// Renders page `job.page` of `job.input` (with its rotation set first when
// `job.rotation` is not -1) to `job.output`. Never throws: a failure is in
// the result's error.
RenderedImage RenderJobToFile(const RenderJob& job);

// Keeps the renderer (PDFium) set up while it lives: Qt PDF sets PDFium up
// with the first document of a process and takes it down with the last one,
// with its scan of every font folder. A session holds one idle document.
class RendererSession {
public:
    RendererSession();
    ~RendererSession();
    RendererSession(const RendererSession&) = delete;
    RendererSession& operator=(const RendererSession&) = delete;

private:
    struct Idle;
    Idle* idle_;
};

}  // namespace pdfax
