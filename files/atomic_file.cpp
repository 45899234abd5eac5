#include "files/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

namespace vellumark::files {
namespace {

// The process's umask, read without changing it (umask() itself would, for
// a moment, for every thread).
mode_t CurrentUmask() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "Umask:") {
            std::string value;
            status >> value;
            return static_cast<mode_t>(std::strtoul(value.c_str(), nullptr, 8));
        }
        status.ignore(4096, '\n');
    }
    return 022;
}

// Makes a rename or link that just happened survive a crash; a folder that
// cannot be flushed costs only that guarantee.
void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

[[noreturn]] void FailWithErrno(const std::string& target, const char* step) {
    throw FileError(FileError::Kind::kSystem, errno, target, step);
}

}  // namespace

FileError::FileError(Kind k, int e, std::string t, const std::string& step)
    : std::runtime_error(step + (e != 0 ? std::string(": ") + std::strerror(e) : std::string())),
      kind(k),
      error(e),
      target(std::move(t)) {}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

TempFile::TempFile(const std::string& target, mode_t mode) : target_(target) {
    if (target.empty())
        throw FileError(FileError::Kind::kNoName, 0, target, "no file name");
    std::string pattern = FolderOf(target) + "/" + kTempFilePrefix + "XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    fd_ = mkostemp(buffer.data(), O_CLOEXEC);
    if (fd_ < 0)
        FailWithErrno(target, "create a temporary file");
    path_ = buffer.data();
    // Held until the file is gone or has its name, so that nobody takes it
    // for the leftover of a writer that died.
    flock(fd_, LOCK_EX);
    // mkostemp's 0600 would hide the result from other users and programs.
    fchmod(fd_, mode & ~CurrentUmask());
}

TempFile::~TempFile() {
    if (!committed_)
        unlink(path_.c_str());
    if (fd_ >= 0)
        close(fd_);
}

void TempFile::Write(const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(fd_, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            FailWithErrno(target_, "write");
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
        written_ += static_cast<std::size_t>(n);
    }
}

void TempFile::Finish(bool sync) {
    if (sync && fsync(fd_) != 0)
        FailWithErrno(target_, "flush to disk");
    struct stat st {};
    if (fstat(fd_, &st) != 0)
        FailWithErrno(target_, "check the written file");
    if (static_cast<std::size_t>(st.st_size) != written_)
        throw FileError(FileError::Kind::kNotWhole, 0, target_,
                        "the file is shorter than what was written");
}

void TempFile::Commit(bool replace, bool syncFolder) {
    if (replace) {
        if (std::rename(path_.c_str(), target_.c_str()) != 0)
            FailWithErrno(target_, "rename into place");
        committed_ = true;
    } else {
        // link() refuses an existing name, so a target that appeared
        // meanwhile is kept; the temporary name goes either way.
        if (link(path_.c_str(), target_.c_str()) != 0) {
            if (errno == EEXIST)
                throw FileError(FileError::Kind::kNameTaken, EEXIST, target_, "link into place");
            FailWithErrno(target_, "link into place");
        }
    }
    if (syncFolder)
        SyncFolder(FolderOf(target_));
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && lstat(path.c_str(), &st) == 0;
}

namespace {

void WriteAndCommit(TempFile& file, const ContentWriter& write, const ContentCheck& check,
                    Durability durability, bool replace) {
    write(file);
    file.Finish(durability == Durability::kOnDisk);
    if (check && !check(file.path()))
        throw FileError(FileError::Kind::kNotWhole, 0, file.target(),
                        "the written file does not read back");
    file.Commit(replace, durability == Durability::kOnDisk);
}

}  // namespace

void ReplaceFile(const std::string& target, const ContentWriter& write, const ContentCheck& check,
                 Durability durability, mode_t mode) {
    struct stat st {};
    if (stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw FileError(FileError::Kind::kNameTaken, 0, target, "a folder has this name");
    TempFile file(target, mode);
    WriteAndCommit(file, write, check, durability, true);
}

void CreateFile(const std::string& target, const ContentWriter& write, const ContentCheck& check) {
    if (PathExists(target))
        throw FileError(FileError::Kind::kNameTaken, 0, target, "the name is taken");
    TempFile file(target);
    WriteAndCommit(file, write, check, Durability::kOnDisk, false);
}

void ReplaceFileWith(const std::string& target, std::string_view bytes, mode_t mode) {
    ReplaceFile(
        target, [&](TempFile& file) { file.Write(bytes.data(), bytes.size()); }, {},
        Durability::kOnDisk, mode);
}

int RemoveStaleTempFiles(const std::string& folder) {
    std::vector<std::string> names;
    {
        std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
        if (!dir)
            return 0;
        const std::size_t length = std::strlen(kTempFilePrefix);
        while (const dirent* entry = readdir(dir.get())) {
            if (std::strncmp(entry->d_name, kTempFilePrefix, length) == 0)
                names.push_back(entry->d_name);
        }
    }
    int removed = 0;
    for (const auto& name : names) {
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

}  // namespace vellumark::files
