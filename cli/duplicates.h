// Finding files whose contents are byte for byte the same, such as one
// invoice downloaded twice under two names.
#pragma once

#include <string>
#include <vector>

namespace vellumark::cli {

// For each path, a group number shared by every other path with identical
// contents, or -1 when no other path has them. Files that cannot be read are
// never grouped. Only files of equal size are read, each once.
std::vector<int> IdenticalFileGroups(const std::vector<std::string>& paths);

}  // namespace vellumark::cli
