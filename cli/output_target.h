// Where the merged file goes, checked before anything in the invoice folder
// is touched (the merge itself replaces the file in one step).
#pragma once

#include <string>

namespace vellumark::cli {

// An empty text when a file can be written at `path`; otherwise one line
// that says why not (missing folder, not a folder, no permission, a folder
// in the way).
std::string OutputProblem(const std::string& path);

// The folder part of `path` ("." for a bare name).
std::string FolderOf(const std::string& path);

}  // namespace vellumark::cli
