// Rendering every listed invoice to its image on a thread of its own, while
// the caller's thread stays free to handle its window's events.
//
// Drawing one page can take a tenth of a second, and the renderer cannot be
// interrupted, so the window cannot wait on it. There is still only one
// rendering thread, and the library is used by no other thread meanwhile.
#pragma once

#include <pdfax/library.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace vellumark {

class PdfLibrary;

struct RenderJob {
    std::string invoice;  // page 1 of this PDF
    bool tall = false;    // JPEG when tall, PNG otherwise
    bool turn = false;    // a quarter turn first
    std::string image;    // the image file to write
};

// Renders `jobs` in order. On the caller's thread, `finished(i, ok)` is
// called for each job in order once its render call has returned, and `idle()`
// whenever `poll` passes without one. Returns how each render call ended
// (problem kNone when it succeeded); the library may still be writing the
// last images on return. Renders on the caller's thread if no thread can be
// started.
std::vector<pdfax::CallError> RenderAlongside(PdfLibrary& pdf, const std::vector<RenderJob>& jobs,
                                              const std::function<void(int, bool)>& finished,
                                              const std::function<void()>& idle,
                                              std::chrono::milliseconds poll);

// Renders page 1 of `job.invoice` to `job.image`; a stale image of that name
// goes first, so it cannot stand in for an invoice that fails now. Returns
// why it failed (problem kNone when it did not).
pdfax::CallError RenderInvoice(PdfLibrary& pdf, const RenderJob& job);

}  // namespace vellumark
