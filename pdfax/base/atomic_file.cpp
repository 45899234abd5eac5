#include "base/atomic_file.h"

#include "base/failure.h"

#include <string_view>

namespace pdfax {
namespace {

namespace files = vellumark::files;

// The interface promises callers this prefix for the library's temporary files.
static_assert(std::string_view(kTempFilePrefix) == std::string_view(files::kTempFilePrefix));

class TempFilePipeline final : public Pipeline {
public:
    explicit TempFilePipeline(TempFile& file) : Pipeline("temporary file", nullptr), file_(file) {}
    void write(unsigned char const* data, size_t size) override { file_.Write(data, size); }
    void finish() override {}

private:
    TempFile& file_;
};

Failure FailureOf(const files::FileError& error) {
    switch (error.kind) {
        case files::FileError::Kind::kSystem:
            return Failure(ProblemOfErrno(error.error), error.target, error.what());
        case files::FileError::Kind::kNameTaken:
            return Failure(Problem::kNameTaken, error.target, error.what());
        case files::FileError::Kind::kNotWhole:
            return Failure(Problem::kIoError, error.target, error.what());
        case files::FileError::Kind::kNoName:
            break;
    }
    return Failure(Problem::kFailed, error.target, error.what());
}

files::ContentWriter Adapted(const ContentWriter& write) {
    return [&write](files::TempFile& file) {
        TempFile temp(file);
        write(temp);
    };
}

}  // namespace

TempFile::TempFile(files::TempFile& file)
    : file_(file), pipeline_(std::make_unique<TempFilePipeline>(*this)) {}

TempFile::~TempFile() = default;

void ReplaceFileAtomically(const std::string& target, const ContentWriter& write,
                           const ContentCheck& check, Durability durability) {
    try {
        files::ReplaceFile(target, Adapted(write), check, durability);
    } catch (const files::FileError& error) {
        throw FailureOf(error);
    }
}

void CreateFileAtomically(const std::string& target, const ContentWriter& write,
                          const ContentCheck& check) {
    try {
        files::CreateFile(target, Adapted(write), check);
    } catch (const files::FileError& error) {
        throw FailureOf(error);
    }
}

}  // namespace pdfax
