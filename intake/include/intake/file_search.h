// Listing the files of one folder that match wildcard patterns.
#pragma once

#include <string>
#include <vector>

namespace vellumark {

// Fills `result` with the full paths (platform bytes) of the files directly
// in `folder` whose names match one of the "|"-separated patterns ("*" and
// "?", case-insensitive), pattern by pattern, and returns their count.
// Directories are skipped; a missing folder or a file path gives 0. Within a
// pattern the names come in ascending order compared case-insensitively.
int FileSearch(const std::string& folder, const std::string& patterns,
               std::vector<std::string>& result);

}  // namespace vellumark
