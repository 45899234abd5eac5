#include "base/failure.h"

#include <cerrno>
#include <cstring>

namespace pdfax {

Failure::Failure(Problem problem, std::string path, std::string detail)
    : problem_(problem), path_(std::move(path)), detail_(std::move(detail)) {}

void FailWithErrno(const std::string& path, const char* operation) {
    const int error = errno;
    throw Failure(ProblemOfErrno(error), path,
                  std::string(operation) + ": " + std::strerror(error));
}

}  // namespace pdfax
