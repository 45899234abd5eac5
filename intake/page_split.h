// Splitting one multi-page PDF into one file per page, without ever losing
// the user's file.
#pragma once

#include "pdf_library.h"

#include <string>

namespace vellumark {

// The file for page `page`: targetFolder + "/" + name + "(第" + page + "页).pdf".
std::string PageFilePath(const std::string& targetFolder, const std::string& name, int page);

// Writes pages 1..pageCount of `source` next to each other in `targetFolder`
// and deletes `source` once every page file is written and reads back with
// one page. When a page name is already taken, a page fails or the source
// cannot be deleted, the page files written here are removed again, the
// source stays and false is returned.
bool SplitIntoPages(PdfLibrary& pdf, const std::string& source, const std::string& targetFolder,
                    const std::string& name, int pageCount);

}  // namespace vellumark
