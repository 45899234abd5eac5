// Whole-or-nothing file writes: the content goes to a temporary file in the
// target's folder, every write is checked, the file is flushed and checked
// again, and only then does it take the target's name. On any failure the
// previous file is as it was and the temporary file is gone.
#pragma once

#include <qpdf/Pipeline.hh>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace pdfax {

// A temporary file beside `target`, named and locked as the library's
// interface promises (kTempFilePrefix), removed again unless it took the
// target's name. Every failure is thrown as a Failure about the target.
class TempFile {
public:
    explicit TempFile(const std::string& target);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& path() const { return path_; }
    void Write(const void* data, std::size_t size);
    // For QPDFWriter::setOutputPipeline: what qpdf writes goes through Write.
    Pipeline* AsPipeline() { return pipeline_.get(); }

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
    std::unique_ptr<Pipeline> pipeline_;
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
// was meant (the write then fails as an I/O error).
using ContentCheck = std::function<bool(const std::string& tempPath)>;

// Replaces (or creates) `target`.
void ReplaceFileAtomically(const std::string& target, const ContentWriter& write,
                           const ContentCheck& check, Durability durability);

// Creates `target` only if no file or folder of that name exists; an existing
// one is never touched, even if it appears while the content is written.
void CreateFileAtomically(const std::string& target, const ContentWriter& write,
                          const ContentCheck& check);

// True when something (file, folder, link) of that name exists.
bool PathExists(const std::string& path);

}  // namespace pdfax
