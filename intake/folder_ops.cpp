#include "intake/folder_ops.h"

#include <pdfax/library.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <memory>
#include <vector>

namespace vellumark {

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool EntryExists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

bool RemoveFile(const std::string& path) {
    return unlink(path.c_str()) == 0;
}

void RemoveFolderTree(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        return;
    if (!S_ISDIR(st.st_mode)) {
        unlink(path.c_str());
        return;
    }
    std::vector<std::string> names;
    {
        std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(path.c_str()), closedir);
        if (dir) {
            while (const dirent* entry = readdir(dir.get())) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..")
                    names.push_back(name);
            }
        }
    }
    for (const auto& name : names)
        RemoveFolderTree(path + "/" + name);
    rmdir(path.c_str());
}

namespace {

std::vector<std::string> NamesWithPrefix(const std::string& folder, const char* prefix) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (!dir)
        return names;
    const std::size_t length = std::strlen(prefix);
    while (const dirent* entry = readdir(dir.get())) {
        if (std::strncmp(entry->d_name, prefix, length) == 0)
            names.push_back(entry->d_name);
    }
    return names;
}

}  // namespace

int RemoveStaleTempFiles(const std::string& folder) {
    int removed = 0;
    for (const auto& name : NamesWithPrefix(folder, pdfax::kTempFilePrefix)) {
        const std::string path = folder + "/" + name;
        const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st {};
        // A writer that is alive holds its lock; one that died let it go.
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            unlink(path.c_str()) == 0)
            ++removed;
        close(fd);
    }
    return removed;
}

std::optional<FileProblem> WriteFileWhole(const std::string& path, const std::string& bytes) {
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    std::string temp = folder + "/" + pdfax::kTempFilePrefix + "XXXXXX";
    const auto failed = [&](int error) {
        return FileProblem{path, ProblemText({"", path, pdfax::ProblemOfErrno(error), {}})};
    };
    const int fd = mkstemp(temp.data());
    if (fd < 0)
        return failed(errno);
    // Held while it is written, so that another run does not take it for a
    // dead writer's leftover.
    flock(fd, LOCK_EX);
    std::size_t done = 0;
    int error = 0;
    while (done < bytes.size() && error == 0) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno != EINTR)
            error = errno;
        else if (n > 0)
            done += static_cast<std::size_t>(n);
    }
    if (error == 0 && fsync(fd) != 0)
        error = errno;
    if (error == 0 && rename(temp.c_str(), path.c_str()) != 0)
        error = errno;
    close(fd);
    if (error == 0)
        return std::nullopt;
    unlink(temp.c_str());
    return failed(error);
}

}  // namespace vellumark
