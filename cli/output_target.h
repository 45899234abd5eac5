// Where the merged file goes, checked before anything in the invoice folder
// is touched (the merge itself replaces the file in one step).
#pragma once

#include <string>

namespace vellumark::cli {

// An empty text when a file can be written at `path`; otherwise one line
// that says why not (missing folder, not a folder, no permission, a folder
// in the way).
std::string OutputProblem(const std::string& path);

// An empty text unless `path` would overwrite an invoice: a "*.pdf" directly
// in `invoiceFolder` (which the intake reads), or any file of that folder
// the intake reads under another name.
std::string OutputOverwritesInvoice(const std::string& path, const std::string& invoiceFolder);

// The folder part of `path` ("." for a bare name).
std::string FolderOf(const std::string& path);

}  // namespace vellumark::cli
