#include "files/file_stamp.h"

#include <sys/stat.h>

namespace vellumark::files {

FileStamp StampOf(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::int64_t>(st.st_size), static_cast<std::int64_t>(st.st_mtim.tv_sec),
            static_cast<std::int64_t>(st.st_mtim.tv_nsec)};
}

bool StillTheSame(const std::string& path, const FileStamp& before) {
    return before.Known() && StampOf(path) == before;
}

}  // namespace vellumark::files
