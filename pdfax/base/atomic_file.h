// The library's whole-or-nothing writes: the program's file writer, with
// its failures turned into the library's, and qpdf's output fed into it.
#pragma once

#include <files/atomic_file.h>
#include <qpdf/Pipeline.hh>

#include <functional>
#include <memory>
#include <string>

namespace pdfax {

using vellumark::files::Durability;
using vellumark::files::PathExists;

// The temporary file a writer fills.
class TempFile {
public:
    explicit TempFile(vellumark::files::TempFile& file);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& path() const { return file_.path(); }
    void Write(const void* data, std::size_t size) { file_.Write(data, size); }
    // For QPDFWriter::setOutputPipeline: what qpdf writes goes through Write.
    Pipeline* AsPipeline() { return pipeline_.get(); }

private:
    vellumark::files::TempFile& file_;
    std::unique_ptr<Pipeline> pipeline_;
};

using ContentWriter = std::function<void(TempFile& file)>;
using ContentCheck = vellumark::files::ContentCheck;

// As the program's writer does; every failure is thrown as a Failure about
// the target.
void ReplaceFileAtomically(const std::string& target, const ContentWriter& write,
                           const ContentCheck& check, Durability durability);
void CreateFileAtomically(const std::string& target, const ContentWriter& write,
                          const ContentCheck& check);

}  // namespace pdfax
