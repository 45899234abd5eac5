// "invoice i of N" on standard error while the merge renders, for a person
// watching a terminal; scripts and logs get nothing.
#pragma once

#include <string>

namespace vellumark::cli {

class TerminalProgress {
public:
    // Shows nothing unless standard error is a terminal.
    explicit TerminalProgress(int invoices);
    ~TerminalProgress();
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    // The merge has rendered one more invoice.
    void Rendered();
    // The intake has written page `page` of `pages` of the file `source`.
    void Splitting(const std::string& source, int page, int pages);
    // Clears the progress line so that what follows starts on a clean line.
    void Finish();

private:
    int invoices_ = 0;
    int rendered_ = 0;
    bool active_ = false;
    bool shown_ = false;
};

}  // namespace vellumark::cli
