// Splitting one multi-page PDF into one file per page, without ever losing
// the user's file, and finishing a split that an earlier run could not.
#pragma once

#include "pdflib/pdf_library.h"
#include "pdflib/problem_text.h"

#include <functional>
#include <string>

namespace vellumark {

// The file for page `page`: targetFolder + "/" + name + "(第" + page + "页).pdf".
std::string PageFilePath(const std::string& targetFolder, const std::string& name, int page);

struct SplitOutcome {
    bool split = false;    // every page is in its own file and the source is gone
    bool resumed = false;  // page files of an earlier, interrupted split were kept
    bool stopped = false;  // the progress callback asked to stop
    FileProblem problem;   // why the source was kept whole (split is false)
};

// Called after each page file is written: page (from 1) of pages. Returning
// false stops the split: the page files written are removed again and the
// source stays whole.
using SplitProgress = std::function<bool(int page, int pages)>;

// Writes pages 1..pageCount of `source` to their page files and removes the
// source once all of them are there. A page file left by an interrupted
// split counts when it holds exactly that page of the source; missing ones
// are written. When a page name is taken by another file, a page cannot be
// written or the source cannot be removed, every page file of this source
// (those written now and those found) is removed again and the source stays
// whole. Only files created here or proven to be this source's pages are
// ever removed.
SplitOutcome SplitIntoPages(PdfLibrary& pdf, const std::string& source,
                            const std::string& targetFolder, const std::string& name, int pageCount,
                            const SplitProgress& progress = {});

}  // namespace vellumark
