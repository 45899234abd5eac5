#include "facts/pile.h"

#include <QByteArrayView>
#include <QHashFunctions>

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <utility>

namespace vellumark {
namespace {

// A fingerprint of the file's bytes; files with equal fingerprints are then
// compared byte for byte, so a fast hash does.
std::optional<std::size_t> Fingerprint(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::size_t hash = 0;
    char buffer[1 << 16];
    while (in) {
        in.read(buffer, sizeof buffer);
        if (in.gcount() > 0)
            hash = qHash(QByteArrayView(buffer, in.gcount()), hash);
    }
    if (in.bad())
        return std::nullopt;
    return hash;
}

bool SameBytes(const std::string& a, const std::string& b) {
    std::ifstream first(a, std::ios::binary), second(b, std::ios::binary);
    char x[1 << 16], y[1 << 16];
    while (first && second) {
        first.read(x, sizeof x);
        second.read(y, sizeof y);
        if (first.gcount() != second.gcount() ||
            std::memcmp(x, y, static_cast<std::size_t>(first.gcount())) != 0)
            return false;
    }
    return !first.bad() && !second.bad() && first.eof() && second.eof();
}

}  // namespace

std::vector<int> IdenticalFileGroups(const std::vector<std::string>& paths) {
    std::vector<int> groups(paths.size(), -1);
    std::map<std::int64_t, std::vector<std::size_t>> bySize;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        struct stat st {};
        if (stat(paths[i].c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            bySize[static_cast<std::int64_t>(st.st_size)].push_back(i);
        }
    }
    int nextGroup = 0;
    for (const auto& [size, members] : bySize) {
        if (members.size() < 2)
            continue;
        std::map<std::size_t, std::vector<std::size_t>> byFingerprint;
        for (const std::size_t i : members) {
            if (auto fingerprint = Fingerprint(paths[i]))
                byFingerprint[*fingerprint].push_back(i);
        }
        for (const auto& [fingerprint, candidates] : byFingerprint) {
            // Each candidate joins the first group whose first file it equals.
            std::vector<std::size_t> firsts;
            std::vector<int> found(candidates.size(), -1);
            for (std::size_t c = 0; c < candidates.size(); ++c) {
                for (std::size_t f = 0; f < firsts.size() && found[c] < 0; ++f) {
                    if (SameBytes(paths[candidates[firsts[f]]], paths[candidates[c]]))
                        found[c] = found[firsts[f]];
                }
                if (found[c] < 0) {
                    firsts.push_back(c);
                    found[c] = nextGroup++;
                }
            }
            // A file equal to no other has no group.
            for (std::size_t c = 0; c < candidates.size(); ++c) {
                if (std::count(found.begin(), found.end(), found[c]) > 1)
                    groups[candidates[c]] = found[c];
            }
        }
    }
    return groups;
}

}  // namespace vellumark
