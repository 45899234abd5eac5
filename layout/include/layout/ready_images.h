// Pages rendered before a merge, at the merge's resolution and upright. The
// window renders every page once when it lists it, to read its facts, and
// the merge takes that image for each page its layout draws upright instead
// of rendering the page again.
#pragma once

#include "files/file_stamp.h"
#include "intake/invoice_rows.h"

#include <pdfax/library.h>

#include <string>
#include <vector>

namespace vellumark {

struct ReadyImage {
    std::string source;                        // the invoice file the image shows
    files::FileStamp sourceStamp;              // that file when it was rendered
    pdfax::RenderJob job;                      // how the image was made, and where it is
    files::FileStamp imageStamp;               // the image as it was written
    int width = 0, height = 0;                 // 0 x 0 until it is written
    std::vector<pdfax::PageOmission> omitted;  // what the page was rendered without
};

// The jobs that render every row of `rows` upright, as a merge into
// `tempImageFolder` would, and one entry of `ready` per row for KeepReady.
std::vector<pdfax::RenderJob> UprightRenderJobs(const std::string& tempImageFolder,
                                                const InvoiceRows& rows,
                                                std::vector<ReadyImage>& ready);

// A job for each row that names its page and writes no image (format
// none), for renders made only to read the page: a row of an OFD package
// is its page of the package, which a path alone cannot say.
std::vector<pdfax::RenderJob> ReadingJobs(const InvoiceRows& rows, double dpi);

// Takes what the renders of UprightRenderJobs wrote; a row whose render
// failed is left to the merge.
void KeepReady(std::vector<ReadyImage>& ready, const std::vector<pdfax::RenderedImage>& renders);

// The image made for `row` when it is the one `job` would make now: the
// same page, format and resolution, upright, and neither the invoice nor
// the image changed since. Null otherwise.
const ReadyImage* ReadyFor(const std::vector<ReadyImage>& ready, int row,
                           const pdfax::RenderJob& job);

}  // namespace vellumark
