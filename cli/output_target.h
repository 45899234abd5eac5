// Where the merged file goes, checked before anything in the invoice folder
// is touched, and put there in one step.
#pragma once

#include <string>

namespace vellumark::cli {

// An empty text when a file can be written at `path`; otherwise one line
// that says why not (missing folder, not a folder, no permission, a folder
// in the way).
std::string OutputProblem(const std::string& path);

// Puts the file `from` at `to` in one step: a rename, or, across file
// systems, a copy to a temporary file beside `to` that is then renamed. On
// failure `to` is left as it was, `from` stays, and the result is false.
bool MoveIntoPlace(const std::string& from, const std::string& to);

// The folder part of `path` ("." for a bare name).
std::string FolderOf(const std::string& path);

}  // namespace vellumark::cli
