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

}  // namespace vellumark
