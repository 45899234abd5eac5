// The few file-system operations of the intake, on the platform's own bytes.
#pragma once

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

}  // namespace vellumark
