// One run per folder: a merge, from the window or the command, holds an
// exclusive lock on the invoice folder (and on the program directory, whose
// image folder it fills) from the intake to the saved result. Another run on
// the same folder waits for it; it never works beside it.
#pragma once

#include <atomic>
#include <string>
#include <vector>

namespace vellumark {

// flock() locks on folders, released when the holder ends however it ends.
class FolderLocks {
public:
    FolderLocks() = default;
    ~FolderLocks();
    FolderLocks(FolderLocks&& other) noexcept;
    FolderLocks& operator=(FolderLocks&& other) noexcept;
    FolderLocks(const FolderLocks&) = delete;
    FolderLocks& operator=(const FolderLocks&) = delete;

    // Locks every folder of `folders` or, when any of them is held by
    // someone else, none: nobody ever holds one while waiting for another,
    // so runs waiting on each other cannot deadlock. An empty name, or a
    // folder that cannot be opened, is not locked and does not stop the
    // others.
    static FolderLocks TryLock(const std::vector<std::string>& folders);

    // Blocks until every folder of `folders` can be locked at once, then
    // locks them. It sleeps in the kernel on one busy folder at a time,
    // holding none, so it neither polls nor deadlocks. It returns unlocked
    // when `cancelled` is set by the time a folder it waited on comes free.
    static FolderLocks WaitUntilFree(const std::vector<std::string>& folders,
                                     const std::atomic<bool>& cancelled);

    // True when the folders were locked (or there was nothing to lock).
    bool Held() const { return held_; }

private:
    static FolderLocks TryLock(const std::vector<std::string>& folders, std::string* busy);

    std::vector<int> descriptors_;
    bool held_ = false;
};

// The text the waiting run shows, in the status line or on standard error.
inline constexpr const char* kFolderBusyText = "另一个程序正在处理此文件夹…";

}  // namespace vellumark
