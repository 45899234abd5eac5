// The few file-system operations of the intake, on the platform's own bytes.
#pragma once

#include "pdflib/problem_text.h"

#include <optional>
#include <string>

namespace vellumark {

bool IsDirectory(const std::string& path);
// True when anything at all (file, folder, dangling link) has this name.
bool EntryExists(const std::string& path);
bool RemoveFile(const std::string& path);
// Removes a folder with everything in it; links are removed, never followed.
// A missing folder is fine.
void RemoveFolderTree(const std::string& path);

// Removes the temporary files that a writer of this program left in
// `folder` when it was killed (named with the library's prefix and no longer
// locked by a live writer). Returns how many were removed.
int RemoveStaleTempFiles(const std::string& folder);

// Writes `bytes` to `path` the way the library writes its files: under a
// temporary name beside it, flushed to the disk, then renamed over it, so
// an old file is replaced only by a whole new one. Returns the file and
// why when that fails; nothing is left behind then.
std::optional<FileProblem> WriteFileWhole(const std::string& path, const std::string& bytes);

}  // namespace vellumark
