#include "atomic_file.h"

#include "failure.h"

#include <fcntl.h>
#include <sys/file.h>
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

class TempFilePipeline final : public Pipeline {
public:
    explicit TempFilePipeline(TempFile& file) : Pipeline("temporary file", nullptr), file_(file) {}
    void write(unsigned char const* data, size_t size) override { file_.Write(data, size); }
    void finish() override {}

private:
    TempFile& file_;
};

// Makes a rename or link that just happened survive a crash; a folder that
// cannot be flushed costs only that guarantee.
void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

}  // namespace

TempFile::TempFile(const std::string& target) : target_(target) {
    if (target.empty())
        throw Failure(Problem::kFailed, target, "no file name");
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
    fchmod(fd_, 0644);  // mkostemp's 0600 would hide the result from other users
    pipeline_ = std::make_unique<TempFilePipeline>(*this);
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
        throw Failure(Problem::kIoError, target_, "the file is shorter than what was written");
}

void TempFile::Commit(bool replace, bool syncFolder) {
    if (replace) {
        if (std::rename(path_.c_str(), target_.c_str()) != 0)
            FailWithErrno(target_, "rename into place");
        committed_ = true;
    } else {
        // link() refuses an existing name, so a target that appeared
        // meanwhile is kept; the temporary name goes either way.
        if (link(path_.c_str(), target_.c_str()) != 0)
            FailWithErrno(target_, "link into place");
    }
    if (syncFolder)
        SyncFolder(FolderOf(target_));
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && lstat(path.c_str(), &st) == 0;
}

namespace {

void WriteAndCommit(const std::string& target, const ContentWriter& write,
                    const ContentCheck& check, Durability durability, bool replace) {
    TempFile file(target);
    write(file);
    file.Finish(durability == Durability::kOnDisk);
    if (check && !check(file.path()))
        throw Failure(Problem::kIoError, target, "the written file does not read back");
    file.Commit(replace, durability == Durability::kOnDisk);
}

}  // namespace

void ReplaceFileAtomically(const std::string& target, const ContentWriter& write,
                           const ContentCheck& check, Durability durability) {
    struct stat st {};
    if (stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw Failure(Problem::kNameTaken, target, "a folder has this name");
    WriteAndCommit(target, write, check, durability, true);
}

void CreateFileAtomically(const std::string& target, const ContentWriter& write,
                          const ContentCheck& check) {
    if (PathExists(target))
        throw Failure(Problem::kNameTaken, target, "the name is taken");
    WriteAndCommit(target, write, check, Durability::kOnDisk, false);
}

}  // namespace pdfax
