#include "intake/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace vellumark {
namespace {

void CloseAll(std::vector<int>& descriptors) {
    for (const int fd : descriptors)
        close(fd);
    descriptors.clear();
}

}  // namespace

FolderLocks::~FolderLocks() {
    CloseAll(descriptors_);
}

FolderLocks::FolderLocks(FolderLocks&& other) noexcept
    : descriptors_(std::move(other.descriptors_)), held_(other.held_) {
    other.descriptors_.clear();
    other.held_ = false;
}

FolderLocks& FolderLocks::operator=(FolderLocks&& other) noexcept {
    if (this != &other) {
        CloseAll(descriptors_);
        descriptors_ = std::move(other.descriptors_);
        held_ = other.held_;
        other.descriptors_.clear();
        other.held_ = false;
    }
    return *this;
}

FolderLocks FolderLocks::TryLock(const std::vector<std::string>& folders) {
    return TryLock(folders, nullptr);
}

FolderLocks FolderLocks::WaitUntilFree(const std::vector<std::string>& folders,
                                       const std::atomic<bool>& cancelled) {
    std::string busy;
    while (!cancelled.load()) {
        FolderLocks locks = TryLock(folders, &busy);
        if (locks.Held())
            return locks;
        // Sleep until the holder lets go of the folder that was busy, then
        // let go of it too before trying them all again.
        const int fd = open(busy.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            continue;
        while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
        }
        close(fd);
    }
    return FolderLocks{};
}

FolderLocks FolderLocks::TryLock(const std::vector<std::string>& folders, std::string* busy) {
    FolderLocks locks;
    std::vector<std::pair<dev_t, ino_t>> seen;
    for (const auto& folder : folders) {
        if (folder.empty())
            continue;
        const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            continue;
        // The same folder named twice is locked once: a second flock on
        // another descriptor of it would wait for ourselves.
        struct stat st {};
        fstat(fd, &st);
        if (std::find(seen.begin(), seen.end(), std::make_pair(st.st_dev, st.st_ino)) !=
            seen.end()) {
            close(fd);
            continue;
        }
        seen.emplace_back(st.st_dev, st.st_ino);
        int result = 0;
        while ((result = flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
        }
        if (result != 0) {
            close(fd);
            if (busy)
                *busy = folder;
            return FolderLocks{};
        }
        locks.descriptors_.push_back(fd);
    }
    locks.held_ = true;
    return locks;
}

}  // namespace vellumark
