#include "page_jobs.h"

#include "layout/merge_pipeline.h"

namespace vellumark {

bool IsTallRow(const InvoiceRows& rows, int row) {
    return rows.HeightMm(row) >= kTallInvoiceHeight;
}

pdfax::RenderJob PageJob(const InvoiceRows& rows, int row, bool turn, std::string output) {
    constexpr int kQuarterTurn = 90;
    pdfax::RenderJob job;
    job.input = rows.Path(row);
    job.page = rows.Page(row);
    job.inputFormat = rows.Format(row) == InvoiceFormat::kOfd ? pdfax::kInputOfd : pdfax::kInputPdf;
    job.rotation = turn ? kQuarterTurn : -1;
    job.format = IsTallRow(rows, row) ? pdfax::kImageFormatJpeg : pdfax::kImageFormatPng;
    job.dpi = kRenderDpi;
    job.output = std::move(output);
    return job;
}

}  // namespace vellumark
