// Whole-or-nothing file writes, for every file the program writes: the
// content goes to a temporary file in the target's folder, every write is
// checked, the file is flushed and checked again, and only then does it
// take the target's name. On any failure the previous file is as it was
// and the temporary file is gone.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vellumark::files {

// Every temporary file starts with this (".vellumark-" and six characters)
// and is locked with flock() for as long as its writer works on it. One
// that can be locked is left over from a writer that died and may go.
inline constexpr const char* kTempFilePrefix = ".vellumark-";

// Modes before the user's umask: what users expect of a document they
// saved, and of a program file.
inline constexpr mode_t kDocumentMode = 0644;
inline constexpr mode_t kProgramMode = 0755;

// Why a write failed, about the target file.
class FileError : public std::runtime_error {
public:
    enum class Kind {
        kSystem,     // a system call failed: `error` holds its errno
        kNameTaken,  // the name is taken (a folder, or a file where none may be)
        kNotWhole,   // the file does not hold, or read back, what was written
        kNoName,     // no file name was given
    };
    FileError(Kind kind, int error, std::string target, const std::string& step);
    Kind kind;
    int error;  // errno for kSystem, else 0
    std::string target;
};

// A temporary file beside `target`, removed again unless it took the
// target's name. Every failure is thrown as a FileError.
class TempFile {
public:
    explicit TempFile(const std::string& target, mode_t mode = kDocumentMode);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& path() const { return path_; }
    const std::string& target() const { return target_; }
    void Write(const void* data, std::size_t size);

    // The file holds every byte written and, with `sync`, is on the disk.
    void Finish(bool sync);
    // Moves the file to the target's name: replacing what is there, or only
    // when nothing is (then a taken name is a kNameTaken failure).
    void Commit(bool replace, bool syncFolder);

private:
    std::string target_;
    std::string path_;
    int fd_ = -1;
    std::size_t written_ = 0;
    bool committed_ = false;
};

enum class Durability {
    kOnDisk,     // flushed to the disk first: after a crash the name holds the
                 // old file or the whole new one
    kWholeOnly,  // readers only ever see the whole file; a crash may leave it
                 // damaged. For files the program makes again each time it
                 // needs them, where waiting for the disk buys nothing.
};

// Writes the content into the temporary file.
using ContentWriter = std::function<void(TempFile& file)>;
// Reads the finished temporary file back; false when it does not hold what
// was meant (the write then fails as kNotWhole).
using ContentCheck = std::function<bool(const std::string& tempPath)>;

// Replaces (or creates) `target`.
void ReplaceFile(const std::string& target, const ContentWriter& write, const ContentCheck& check,
                 Durability durability, mode_t mode = kDocumentMode);

// Creates `target` only if no file or folder of that name exists; an existing
// one is never touched, even if it appears while the content is written.
void CreateFile(const std::string& target, const ContentWriter& write, const ContentCheck& check);

// Replaces `target` with `bytes`, on the disk.
void ReplaceFileWith(const std::string& target, std::string_view bytes,
                     mode_t mode = kDocumentMode);

// True when something (file, folder, link) of that name exists.
bool PathExists(const std::string& path);

// Removes the temporary files that a writer left in `folder` when it was
// killed (no longer locked by a live writer). Returns how many went.
int RemoveStaleTempFiles(const std::string& folder);

// The folder part of a path ("." when it has none).
std::string FolderOf(const std::string& path);

}  // namespace vellumark::files
