#include "intake/file_search.h"

#include "intake/wildcard.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

namespace vellumark {

namespace {

std::vector<std::string> SplitPatterns(const std::string& patterns) {
    std::vector<std::string> pieces;
    if (patterns.empty())
        return pieces;
    std::string::size_type start = 0;
    while (true) {
        const auto bar = patterns.find('|', start);
        pieces.push_back(patterns.substr(start, bar - start));
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    return pieces;
}

// Names of the folder's entries that match `pattern`, in the order an NTFS
// folder would give them. Directory order on Linux file systems is a hash
// order that differs from machine to machine; equal page heights keep this
// order in the invoice list, so it has to be the same everywhere.
std::vector<std::string> MatchingNames(const std::string& base, const std::string& pattern) {
    std::vector<std::string> names;
    if (pattern.empty() || pattern.find('/') != std::string::npos)
        return names;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(base.c_str()), closedir);
    if (!dir)
        return names;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (!WildcardMatch(pattern, name))
            continue;
        // stat rather than d_type: a link to a folder is a folder, and some
        // file systems report no type at all. An entry that cannot be
        // examined cannot be read either and is left alone.
        struct stat st {};
        if (stat((base + name).c_str(), &st) != 0 || S_ISDIR(st.st_mode))
            continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end(), FoldedLess);
    return names;
}

}  // namespace

int FileSearch(const std::string& folder, const std::string& patterns,
               std::vector<std::string>& result) {
    result.clear();
    std::string base = folder;
    if (base.empty() || base.back() != '/')
        base += '/';
    for (const auto& pattern : SplitPatterns(patterns)) {
        for (const auto& name : MatchingNames(base, pattern))
            result.push_back(base + name);
    }
    return static_cast<int>(result.size());
}

}  // namespace vellumark
