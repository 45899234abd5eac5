// What the user is told about a failed library call: the file and, in plain
// words, why.
#pragma once

#include <pdfax/library.h>

#include <string>

namespace vellumark {

// The reason in the words the user reads (UTF-8), such as "需要密码才能打开"
// or "磁盘已满". The spooler's own reason follows its words; no other
// library text is shown.
std::string ProblemText(const pdfax::CallError& error);

// A file the user should hear about, and why (UTF-8 words); the path is the
// platform's bytes.
struct FileProblem {
    std::string path;
    std::string reason;
};

// The error's file (or `fallbackPath` when the error names none) and reason.
FileProblem ProblemOf(const pdfax::CallError& error, const std::string& fallbackPath = {});

// True for problems of the medium written to (full, read-only, failing)
// rather than of the file being read.
bool IsWriteProblem(pdfax::Problem problem);

}  // namespace vellumark
