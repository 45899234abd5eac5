#include "render_loop.h"

#include "pdf_library.h"

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>

namespace vellumark {
namespace {

constexpr int kFormatJpeg = 1;
constexpr int kFormatPng = 5;
// The layout's pixel-to-millimetre constants assume this resolution.
constexpr double kRenderDpi = 300.0;
constexpr int kQuarterTurn = 90;

// How far the rendering thread has got, handed to the caller's thread.
struct Progress {
    std::mutex mutex;
    std::condition_variable changed;
    int done = 0;
};

}  // namespace

pdfax::CallError RenderInvoice(PdfLibrary& pdf, const RenderJob& job) {
    std::error_code ignored;
    std::filesystem::remove(job.image, ignored);
    const int handle = pdf.DAOpenFileReadOnly(job.invoice, "");
    if (handle == 0)
        return pdf.LastError();
    const int page = pdf.DAFindPage(handle, 1);
    if (job.turn)
        pdf.DARotatePage(handle, page, kQuarterTurn);
    const int rendered = pdf.DARenderPageToFile(handle, page, job.tall ? kFormatJpeg : kFormatPng,
                                                kRenderDpi, job.image);
    const pdfax::CallError error = rendered ? pdfax::CallError{} : pdf.LastError();
    pdf.DACloseFile(handle);
    return error;
}

std::vector<pdfax::CallError> RenderAlongside(PdfLibrary& pdf, const std::vector<RenderJob>& jobs,
                                              const std::function<void(int, bool)>& finished,
                                              const std::function<void()>& idle,
                                              std::chrono::milliseconds poll) {
    const int count = static_cast<int>(jobs.size());
    std::vector<pdfax::CallError> rendered(jobs.size());
    Progress progress;
    std::thread renderer;
    try {
        renderer = std::thread([&] {
            for (int i = 0; i < count; ++i) {
                pdfax::CallError error{
                    "DARenderPageToFile", jobs[i].invoice, pdfax::Problem::kFailed, {}};
                try {
                    error = RenderInvoice(pdf, jobs[i]);
                } catch (...) {
                    // The facade does not throw; a render that did failed.
                }
                std::lock_guard lock(progress.mutex);
                rendered[i] = std::move(error);
                progress.done = i + 1;
                progress.changed.notify_all();
            }
        });
    } catch (...) {
        for (int i = 0; i < count; ++i) {
            rendered[i] = RenderInvoice(pdf, jobs[i]);
            if (finished)
                finished(i, rendered[i].problem == pdfax::Problem::kNone);
        }
        return rendered;
    }
    int reported = 0;
    while (reported < count) {
        int done = 0;
        std::vector<char> results;
        {
            std::unique_lock lock(progress.mutex);
            progress.changed.wait_for(lock, poll, [&] { return progress.done > reported; });
            done = progress.done;
            for (int i = reported; i < done; ++i)
                results.push_back(rendered[i].problem == pdfax::Problem::kNone);
        }
        if (done == reported) {
            if (idle)
                idle();
            continue;
        }
        for (const int first = reported; reported < done; ++reported) {
            if (finished)
                finished(reported, results[reported - first] != 0);
        }
    }
    renderer.join();
    return rendered;
}

}  // namespace vellumark
