#include "layout/ready_images.h"

#include "page_jobs.h"

namespace vellumark {

std::vector<pdfax::RenderJob> UprightRenderJobs(const std::string& tempImageFolder,
                                                const InvoiceRows& rows,
                                                std::vector<ReadyImage>& ready) {
    std::vector<pdfax::RenderJob> jobs;
    ready.assign(static_cast<std::size_t>(rows.rowCount()), ReadyImage{});
    for (int row = 0; row < rows.rowCount(); ++row) {
        // A name of its own: a merge that turns the page writes the row's
        // usual image, and must not leave a turned one here.
        const std::string output = tempImageFolder + "/upright-" + std::to_string(row) +
                                   (IsTallRow(rows, row) ? ".jpg" : ".png");
        pdfax::RenderJob job = PageJob(rows, row, false, output);
        ReadyImage& entry = ready[static_cast<std::size_t>(row)];
        entry.source = job.input;
        // Taken before the render: a file changed while it renders is not trusted.
        entry.sourceStamp = files::StampOf(job.input);
        entry.job = job;
        jobs.push_back(std::move(job));
    }
    return jobs;
}

std::vector<pdfax::RenderJob> ReadingJobs(const InvoiceRows& rows, double dpi) {
    std::vector<pdfax::RenderJob> jobs;
    for (int row = 0; row < rows.rowCount(); ++row) {
        pdfax::RenderJob job = PageJob(rows, row, false, {});
        job.format = pdfax::kImageFormatNone;
        job.dpi = dpi;
        jobs.push_back(std::move(job));
    }
    return jobs;
}

void KeepReady(std::vector<ReadyImage>& ready, const std::vector<pdfax::RenderedImage>& renders) {
    for (std::size_t row = 0; row < ready.size(); ++row) {
        ReadyImage& entry = ready[row];
        const bool written =
            row < renders.size() && renders[row].error.problem == pdfax::Problem::kNone;
        entry.width = written ? renders[row].width : 0;
        entry.height = written ? renders[row].height : 0;
        entry.imageStamp = written ? files::StampOf(entry.job.output) : files::FileStamp{};
        entry.omitted = written ? renders[row].omitted : std::vector<pdfax::PageOmission>{};
    }
}

const ReadyImage* ReadyFor(const std::vector<ReadyImage>& ready, int row,
                           const pdfax::RenderJob& job) {
    if (row < 0 || static_cast<std::size_t>(row) >= ready.size())
        return nullptr;
    const ReadyImage& entry = ready[static_cast<std::size_t>(row)];
    const bool same = entry.width > 0 && entry.height > 0 && job.rotation < 0 &&
                      entry.job.rotation < 0 && entry.source == job.input &&
                      entry.job.inputFormat == job.inputFormat && entry.job.page == job.page &&
                      entry.job.format == job.format && entry.job.dpi == job.dpi;
    if (!same || !files::StillTheSame(entry.source, entry.sourceStamp) ||
        !files::StillTheSame(entry.job.output, entry.imageStamp))
        return nullptr;
    return &entry;
}

}  // namespace vellumark
