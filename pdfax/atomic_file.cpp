#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

namespace pdfax {
namespace {

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// Makes an empty, unique temporary file next to `target` and returns its
// name, or an empty string when the folder cannot be written.
std::string MakeTempBeside(const std::string& target) {
    std::string pattern = FolderOf(target) + "/.vellumark-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = mkstemp(buffer.data());
    if (fd < 0)
        return {};
    fchmod(fd, 0644);  // mkstemp's 0600 would hide the result from other users
    close(fd);
    return std::string(buffer.data());
}

bool SyncFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

bool WriteTemp(const std::string& temp, const FileWriter& write, Durability durability) {
    bool written = false;
    try {
        written = write(temp);
    } catch (...) {
        written = false;
    }
    struct stat st {};
    return written && stat(temp.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           (durability == Durability::kWholeOnly || SyncFile(temp));
}

}  // namespace

bool PathExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && lstat(path.c_str(), &st) == 0;
}

bool ReplaceFileAtomically(const std::string& target, const FileWriter& write,
                           Durability durability) {
    struct stat st {};
    if (target.empty() || (stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)))
        return false;
    const std::string temp = MakeTempBeside(target);
    if (temp.empty())
        return false;
    if (!WriteTemp(temp, write, durability) || std::rename(temp.c_str(), target.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    return true;
}

bool CreateFileAtomically(const std::string& target, const FileWriter& write) {
    if (target.empty() || PathExists(target))
        return false;
    const std::string temp = MakeTempBeside(target);
    if (temp.empty())
        return false;
    // link() refuses an existing name, so a target that appeared meanwhile is
    // kept; the temporary name is removed either way.
    const bool ok =
        WriteTemp(temp, write, Durability::kOnDisk) && link(temp.c_str(), target.c_str()) == 0;
    unlink(temp.c_str());
    return ok;
}

}  // namespace pdfax
