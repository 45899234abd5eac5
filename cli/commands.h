// The commands of vellumark-cli. Each returns the program's exit code.
#pragma once

#include "cli_arguments.h"

#include <string>

namespace vellumark::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitBadArguments = 2;
// The merge was saved, but pages of some files are not on the sheets.
inline constexpr int kExitIncomplete = 3;

// Writes "vellumark-cli: " and the text as one line on standard error.
void ErrorLine(const std::string& text);
// Writes text to standard output as it stands.
void Print(const std::string& text);

// An empty text when `folder` names an existing folder; else the line to show.
std::string FolderProblem(const std::string& folder);
// The line meaning "请选择包含.pdf的文件夹拖入！" for a terminal.
std::string NoPdfFilesLine(const std::string& folder);

int RunList(const Arguments& arguments);
int RunMerge(const Arguments& arguments);
int RunLedger(const Arguments& arguments);

}  // namespace vellumark::cli
