// A renderer program that goes wrong on purpose, for the tests of what the
// library does when its renderers crash, hang or talk nonsense. It speaks the
// renderer protocol and, while it behaves, renders like the real one.
//
// VELLUMARK_FAKE_RENDERER chooses how it goes wrong:
//   crash-at-start        dies before its greeting
//   crash-after-greeting  greets, then dies on every page it is sent
//   crash-once            dies on the first page of the whole run (the file
//                         VELLUMARK_FAKE_RENDERER_STATE remembers it), then works
//   hang                  greets, then never answers (and makes the state
//                         file once it holds a page)
//   garbage               greets, then answers with bytes that are no message
//   (anything else)       works
#include "render/render_job.h"
#include "render/render_protocol.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kConnection = 3;

std::string Setting(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

[[noreturn]] void Crash(const char* when) {
    std::fprintf(stderr, "fake renderer: crashing %s\n", when);
    std::fflush(stderr);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    // Past the sanitizer's handler, as a real fault in the renderer would be.
    std::signal(SIGSEGV, SIG_DFL);
    std::raise(SIGSEGV);
    std::abort();
}

// True for the one renderer of a run that takes the state file first.
bool FirstToCrash() {
    const int fd = open(Setting("VELLUMARK_FAKE_RENDERER_STATE").c_str(),
                        O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

[[noreturn]] void Hang() {
    for (;;)
        pause();
}

}  // namespace

int main(int argc, char** argv) {
    if (!pdfax::ServeForParent(argc, argv))
        return 2;
    const std::string mode = Setting("VELLUMARK_FAKE_RENDERER");
    if (mode == "crash-at-start")
        Crash("at start");
    if (!pdfax::SendMessage(kConnection, pdfax::kRendererGreeting))
        return 1;
    std::string message;
    while (pdfax::ReceiveMessage(kConnection, message)) {
        int index = -1;
        pdfax::RenderJob job;
        if (!pdfax::DecodeJob(message, index, job))
            return 1;
        if (mode == "crash-after-greeting" || (mode == "crash-once" && FirstToCrash()))
            Crash("on a page");
        if (mode == "hang") {
            close(open(Setting("VELLUMARK_FAKE_RENDERER_STATE").c_str(),
                       O_CREAT | O_WRONLY | O_CLOEXEC, 0600));
            Hang();
        }
        if (mode == "garbage") {
            const std::string junk = "this is no message at all";
            if (write(kConnection, junk.data(), junk.size()) < 0)
                return 1;
            Hang();
        }
        if (!pdfax::SendMessage(kConnection,
                                pdfax::EncodeImage(index, pdfax::RenderJobToFile(job))))
            return 1;
    }
    return 0;
}
