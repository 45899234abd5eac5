#include "facts/pile.h"

#include <QCryptographicHash>

#include <sys/stat.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <utility>

namespace vellumark {
namespace {

std::optional<QByteArray> ContentDigest(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    char buffer[1 << 16];
    while (in) {
        in.read(buffer, sizeof buffer);
        if (in.gcount() > 0)
            hash.addData(QByteArrayView(buffer, in.gcount()));
    }
    if (in.bad())
        return std::nullopt;
    return hash.result();
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
        std::map<QByteArray, std::vector<std::size_t>> byDigest;
        for (const std::size_t i : members) {
            if (auto digest = ContentDigest(paths[i]))
                byDigest[*digest].push_back(i);
        }
        for (const auto& [digest, same] : byDigest) {
            if (same.size() < 2)
                continue;
            for (const std::size_t i : same)
                groups[i] = nextGroup;
            ++nextGroup;
        }
    }
    return groups;
}

}  // namespace vellumark
