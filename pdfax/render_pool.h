// Rendering many pages at once in renderer processes.
//
// Qt PDF lets one thread of a process into PDFium at a time, so threads do
// not render in parallel; processes do. Each renderer is the program named
// by SetPDFiumFileName, started for one call of Run and ended after it. A
// renderer that dies (a page that crashes PDFium) costs only its page; the
// program goes on with a new one. Without a renderer program that runs, the
// pages are rendered in this process, one after another, to the same images.
#pragma once

#include <pdfax/library.h>

#include <functional>
#include <string>
#include <vector>

namespace pdfax {

using RenderDone = std::function<bool(int index, const RenderedImage& image)>;

class RenderPool {
public:
    void SetRendererFile(const std::string& path) { rendererFile_ = path; }
    // True when the renderer program is there and may be run.
    bool RendererUsable() const;

    // Renders every job with up to `workers` renderers (0: one per
    // processor this process may use), calling `done` on this thread as each
    // ends; when it returns false no further job starts. Returns the number
    // of images written.
    int Run(const std::vector<RenderJob>& jobs, int workers, const RenderDone& done);

private:
    int RunHere(const std::vector<RenderJob>& jobs, const RenderDone& done);

    std::string rendererFile_;
};

// The processors this process may run on.
int ProcessorCount();

}  // namespace pdfax
