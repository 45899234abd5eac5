// What a file is at a moment, to tell later whether it is still the same
// file with the same content without reading it.
#pragma once

#include <cstdint>
#include <string>

namespace vellumark::files {

struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = -1;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;

    // A file that could not be looked at has no stamp, and matches nothing.
    bool Known() const { return size >= 0; }
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file at `path` (platform bytes), following links; an
// unknown stamp when it cannot be looked at.
FileStamp StampOf(const std::string& path);

// True when `path` is still the file `before` describes. Every writer of the
// program replaces a file by renaming a new one over it, which changes the
// inode; an editor writing in place changes the time.
bool StillTheSame(const std::string& path, const FileStamp& before);

}  // namespace vellumark::files
