// Failures inside the library. Code deep down throws a Failure; the entry
// point that was called records it as the call's error and returns 0.
#pragma once

#include <pdfax/library.h>

#include <exception>
#include <string>

namespace pdfax {

class Failure : public std::exception {
public:
    Failure(Problem problem, std::string path, std::string detail = {});
    const char* what() const noexcept override { return detail_.c_str(); }

    Problem problem() const { return problem_; }
    const std::string& path() const { return path_; }
    const std::string& detail() const { return detail_; }

private:
    Problem problem_;
    std::string path_;
    std::string detail_;
};

// Throws the failure of a file operation on `path` that set errno.
[[noreturn]] void FailWithErrno(const std::string& path, const char* operation);

}  // namespace pdfax
