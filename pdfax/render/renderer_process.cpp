#include "render/renderer_process.h"

#include "render/render_protocol.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace pdfax {

Q_LOGGING_CATEGORY(lcRender, "vellumark.render")

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Enough of a renderer's last words to see why it died; a sanitizer's
// report or a library's warnings before them are cut from the front.
constexpr std::size_t kKeptErrors = 4096;
// Reads of standard error in one go, so that a renderer that writes without
// end cannot keep the library reading.
constexpr int kReadsAtOnce = 16;

std::string HowItEnded(pid_t reaped, int status) {
    if (reaped <= 0)
        return "its end is unknown";
    if (WIFEXITED(status))
        return "exit code " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        const char* name = sigdescr_np(signal);
        return "signal " + std::to_string(signal) + (name ? std::string(" (") + name + ")" : "");
    }
    return "status " + std::to_string(status);
}

}  // namespace

RendererProcess::~RendererProcess() {
    if (Running())
        End(milliseconds(0));
    CloseAll();
}

void RendererProcess::CloseAll() {
    for (int* fd : {&connection_, &errors_}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

bool RendererProcess::Start(const std::string& program) {
    int sockets[2];
    int errorPipe[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) {
        qCWarning(lcRender, "cannot start a renderer: socketpair: %s", std::strerror(errno));
        return false;
    }
    if (pipe2(errorPipe, O_CLOEXEC) != 0) {
        qCWarning(lcRender, "cannot start a renderer: pipe: %s", std::strerror(errno));
        close(sockets[0]);
        close(sockets[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, errorPipe[1], STDERR_FILENO);
    posix_spawn_file_actions_adddup2(&actions, sockets[1], 3);
    std::string parent = std::to_string(getpid());
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(kServeWord),
                    parent.data(), nullptr};
    const int spawned = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(sockets[1]);
    close(errorPipe[1]);
    connection_ = sockets[0];
    errors_ = errorPipe[0];
    if (spawned != 0) {
        qCWarning(lcRender, "cannot start the renderer %s: %s", program.c_str(),
                  std::strerror(spawned));
        pid_ = -1;
        CloseAll();
        return false;
    }
    fcntl(errors_, F_SETFL, O_NONBLOCK);
    qCDebug(lcRender, "renderer %d started", static_cast<int>(pid_));
    return true;
}

bool RendererProcess::Send(const std::string& message) {
    return connection_ >= 0 && SendMessage(connection_, message);
}

RendererProcess::Received RendererProcess::Receive(std::string& message) {
    bool closed = connection_ < 0;
    char buffer[65536];
    // All that has arrived, so that an answer in time is not taken for a
    // late one; past the longest message it is garbage anyway.
    while (!closed && received_.size() <= kMaxMessage + 4) {
        const ssize_t n = recv(connection_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            received_.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        closed = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
        break;
    }
    switch (TakeMessage(received_, message)) {
        case Frame::kWhole:
            return Received::kMessage;
        case Frame::kMalformed:
            return Received::kGarbage;
        case Frame::kIncomplete:
            break;
    }
    return closed ? Received::kClosed : Received::kNothing;
}

void RendererProcess::ReadErrors() {
    char buffer[4096];
    for (int i = 0; i < kReadsAtOnce && errors_ >= 0; ++i) {
        const ssize_t n = read(errors_, buffer, sizeof buffer);
        if (n > 0) {
            said_.append(buffer, static_cast<std::size_t>(n));
            if (said_.size() > 2 * kKeptErrors)
                said_.erase(0, said_.size() - kKeptErrors);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            close(errors_);
            errors_ = -1;
        }
        break;
    }
}

RendererProcess::Ending RendererProcess::End(milliseconds grace) {
    Ending ending;
    if (!Running())
        return ending;
    if (connection_ >= 0)
        close(connection_);
    connection_ = -1;
    const auto waitForErrors = [this] {
        pollfd ready{errors_, POLLIN, 0};
        if (errors_ < 0 || poll(&ready, 1, 10) < 0)
            usleep(10000);
        ReadErrors();
    };
    const auto deadline = Clock::now() + grace;
    int status = 0;
    pid_t reaped = 0;
    for (;;) {
        reaped = waitpid(pid_, &status, WNOHANG);
        if (reaped < 0 && errno == EINTR)
            continue;
        if (reaped != 0 || Clock::now() >= deadline)
            break;
        waitForErrors();
    }
    if (reaped == 0) {
        kill(pid_, SIGKILL);
        while ((reaped = waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
        }
    }
    // What it wrote just before it died, unless something it started keeps
    // the pipe open.
    for (int i = 0; i < 20 && errors_ >= 0; ++i)
        waitForErrors();
    ending.clean = reaped > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    ending.how = HowItEnded(reaped, status);
    if (said_.find_first_not_of(" \n") != std::string::npos)
        ending.how += "; it said: " + said_.substr(0, said_.find_last_not_of(" \n") + 1);
    pid_ = -1;
    CloseAll();
    // The next process of this object starts with a clean slate.
    received_.clear();
    said_.clear();
    return ending;
}

}  // namespace pdfax
