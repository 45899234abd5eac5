#include "terminal_progress.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace vellumark::cli {

TerminalProgress::TerminalProgress(int invoices)
    : invoices_(invoices), active_(isatty(STDERR_FILENO) == 1) {}

TerminalProgress::~TerminalProgress() {
    Finish();
}

void TerminalProgress::Rendered() {
    ++rendered_;
    if (!active_)
        return;
    const std::string line = "\r正在渲染发票 " + std::to_string(rendered_) + " / " +
                             std::to_string(invoices_) + "\x1b[K";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    shown_ = true;
}

void TerminalProgress::Splitting(const std::string& source, int page, int pages) {
    if (!active_)
        return;
    const auto slash = source.find_last_of('/');
    const std::string line = "\r正在拆分 " + source.substr(slash + 1) + "：第 " +
                             std::to_string(page) + " / " + std::to_string(pages) + " 页\x1b[K";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    shown_ = true;
}

void TerminalProgress::Finish() {
    if (!shown_)
        return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    shown_ = false;
}

}  // namespace vellumark::cli
