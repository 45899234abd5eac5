// Rendering many pages at once in renderer processes.
//
// Qt PDF lets one thread of a process into PDFium at a time, so threads do
// not render in parallel; processes do. Each renderer is the program named
// by SetPDFiumFileName, started for one call of Run and ended after it; all
// of a run's renderers start together. A renderer that dies, answers
// nonsense or takes longer than kPageTimeLimit over a page is killed, and
// its page is tried once more in a fresh one; a page that fails that way
// twice is the renderer's failure (kRendererCrashed, kRendererTimedOut),
// not the file's. Without a renderer program that runs, the pages are
// rendered in this process, one after another, to the same images.
#pragma once

#include <pdfax/library.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace pdfax {

// How long one page may take in a renderer. The largest page rendered
// (20000 pixels a side and 500 MB of bitmap, at 300 dpi) takes about 4 s
// here; a stuck renderer and the one retry of its page end within a minute.
inline constexpr std::chrono::seconds kPageTimeLimit{25};

using RenderDone = std::function<bool(int index, const RenderedImage& image)>;
using RenderCancelled = std::function<bool()>;

class RenderPool {
public:
    void SetRendererFile(const std::string& path) { rendererFile_ = path; }
    void SetPageTimeLimit(std::chrono::milliseconds limit) { pageTimeLimit_ = limit; }
    // True when the renderer program is there and may be run.
    bool RendererUsable() const;

    // Renders every job with up to `workers` renderers (0: one per
    // processor this process may use), calling `done` on this thread as each
    // ends. When `done` returns false or `cancelled` (asked a few times a
    // second) returns true, no further job starts and the renderers still
    // working are killed; their jobs are not reported. Returns the number of
    // images written.
    int Run(const std::vector<RenderJob>& jobs, int workers, const RenderDone& done,
            const RenderCancelled& cancelled = {});

private:
    std::string rendererFile_;
    std::chrono::milliseconds pageTimeLimit_ = kPageTimeLimit;
};

// The processors this process may run on.
int ProcessorCount();

}  // namespace pdfax
