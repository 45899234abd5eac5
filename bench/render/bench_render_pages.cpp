// Times OFD pages against PDF pages through the program's own render path:
// RenderPagesToFiles, one renderer process, 300 dpi PNG, as a merge renders
// them. Each page is rendered `runs` times in a row by one renderer; the
// first render includes the renderer's start, the rest show a warm renderer.
// Prints milliseconds per page and each OFD page's ratio to the PDF pages'
// mean; asserts nothing. Run by hand:
//   bench_render_pages [--runs N] PDF-OR-OFD...
// Every page of every file is timed; PDFs are timed first.
#include "intake/invoice_intake.h"
#include "layout/ready_images.h"
#include "test_support.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Timing {
    double firstMs = 0;  // the renderer's start and its first page
    double warmMs = 0;   // the mean of the others
    bool ok = true;
};

Timing TimePage(vellumark::PdfLibrary& pdf, pdfax::RenderJob job, int runs,
                const std::string& folder) {
    std::vector<pdfax::RenderJob> jobs;
    for (int i = 0; i < runs; ++i) {
        job.output = folder + "/" + std::to_string(i) + ".png";
        jobs.push_back(job);
    }
    Timing timing;
    auto last = Clock::now();
    int done = 0;
    pdf.RenderPagesToFiles(
        jobs, 1,
        [&](int, const pdfax::RenderedImage& image) {
            const auto now = Clock::now();
            const double ms = std::chrono::duration<double, std::milli>(now - last).count();
            last = now;
            timing.ok = timing.ok && image.error.problem == pdfax::Problem::kNone;
            (done++ == 0 ? timing.firstMs : timing.warmMs) += ms;
            return true;
        },
        {});
    timing.ok = timing.ok && done == runs;
    if (runs > 1)
        timing.warmMs /= runs - 1;
    return timing;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 6;
    int arg = 1;
    if (argc > 2 && std::string(argv[1]) == "--runs")
        runs = std::max(2, std::atoi(argv[2])), arg = 3;
    if (arg >= argc) {
        std::fprintf(stderr, "usage: bench_render_pages [--runs N] PDF-OR-OFD...\n");
        return 2;
    }
    vellumark::testing::TempDir images;
    vellumark::PdfLibrary& pdf = vellumark::testing::Library();
    double pdfWarm = 0;
    int pdfPages = 0;
    for (; arg < argc; ++arg) {
        // Each file is listed the way the intake lists it, so an OFD gives a
        // row per page and a job for each names its page.
        vellumark::testing::TempDir folder;
        const std::string file = argv[arg];
        const std::string name = file.substr(file.find_last_of('/') + 1);
        vellumark::testing::CopyFile(file, folder / name);
        vellumark::InvoiceRows rows;
        vellumark::ListFolder(pdf, folder.path(), rows);
        const auto jobs = vellumark::ReadingJobs(rows, 300);
        for (int row = 0; row < rows.rowCount(); ++row) {
            pdfax::RenderJob job = jobs[static_cast<std::size_t>(row)];
            job.input = file;  // the original, not the copy
            job.format = pdfax::kImageFormatPng;
            const Timing t = TimePage(pdf, job, runs, images.path());
            const bool ofd = job.inputFormat == pdfax::kInputOfd;
            if (!ofd && t.ok) {
                pdfWarm += t.warmMs;
                ++pdfPages;
            }
            const double ratio = ofd && pdfPages > 0 ? t.warmMs / (pdfWarm / pdfPages) : 0;
            std::printf("%-4s %-40s p%-2d first %7.1f ms  warm %7.1f ms%s", ofd ? "OFD" : "PDF",
                        name.c_str(), job.page, t.firstMs, t.warmMs, t.ok ? "" : "  FAILED");
            if (ratio > 0)
                std::printf("  ratio %.2f", ratio);
            std::printf("\n");
        }
    }
    return 0;
}
