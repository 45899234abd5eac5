#include "written_images.h"

#include <libdeflate.h>
#include <sys/stat.h>

#include <cstdint>
#include <deque>
#include <mutex>
#include <unordered_map>

namespace pdfax {
namespace {

// A merge writes one image per invoice; beyond this many the oldest are
// forgotten, which only costs a full check should they be embedded.
constexpr std::size_t kRemembered = 4096;

struct Stamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
    std::uint32_t crc = 0;

    bool operator==(const Stamp& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec &&
               changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec &&
               crc == other.crc;
    }
};

struct Remembered {
    std::mutex mutex;
    std::unordered_map<std::string, Stamp> stamps;
    std::deque<std::string> order;  // oldest first; a path may appear more than once
};

Remembered& Files() {
    static Remembered files;
    return files;
}

bool StampOf(const std::string& path, const std::string& bytes, Stamp& stamp) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size != static_cast<off_t>(bytes.size()))
        return false;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modified = info.st_mtim;
    stamp.changed = info.st_ctim;
    stamp.crc = static_cast<std::uint32_t>(libdeflate_crc32(0, bytes.data(), bytes.size()));
    return true;
}

}  // namespace

void RememberWrittenImage(const std::string& path, const std::string& bytes) {
    Stamp stamp;
    if (!StampOf(path, bytes, stamp))
        return;
    Remembered& files = Files();
    std::lock_guard guard(files.mutex);
    files.stamps[path] = stamp;
    files.order.push_back(path);
    // A path written again is forgotten with its oldest mention; the map is
    // what bounds the memory, the list only ages it.
    while (files.order.size() > kRemembered) {
        files.stamps.erase(files.order.front());
        files.order.pop_front();
    }
}

bool IsUnchangedWrittenImage(const std::string& path, const std::string& bytes) {
    Stamp stamp;
    if (!StampOf(path, bytes, stamp))
        return false;
    Remembered& files = Files();
    std::lock_guard guard(files.mutex);
    const auto found = files.stamps.find(path);
    return found != files.stamps.end() && found->second == stamp;
}

}  // namespace pdfax
