#include "render_pool.h"

#include "render_job.h"
#include "render_protocol.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

extern char** environ;

namespace pdfax {
namespace {

// A renderer that has not greeted within this long is not one.
constexpr int kGreetingTimeoutMs = 20000;

struct Renderer {
    pid_t pid = -1;
    int fd = -1;
    int job = -1;  // the job it works on, -1 when idle
};

// Starts the renderer program with the protocol on its descriptor 3 and
// nothing else to say anything on: its library warnings reach nobody.
Renderer Start(const std::string& program) {
    Renderer renderer;
    int sockets[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0)
        return renderer;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, sockets[1], 3);
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("--serve"), nullptr};
    const int spawned =
        posix_spawn(&renderer.pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(sockets[1]);
    if (spawned != 0) {
        close(sockets[0]);
        return Renderer{};
    }
    renderer.fd = sockets[0];
    pollfd ready{renderer.fd, POLLIN, 0};
    std::string greeting;
    if (poll(&ready, 1, kGreetingTimeoutMs) != 1 || !ReceiveMessage(renderer.fd, greeting) ||
        greeting != kRendererGreeting) {
        kill(renderer.pid, SIGKILL);
        waitpid(renderer.pid, nullptr, 0);
        close(renderer.fd);
        return Renderer{};
    }
    return renderer;
}

void Stop(Renderer& renderer) {
    if (renderer.fd >= 0)
        close(renderer.fd);  // the renderer ends when its input ends
    if (renderer.pid > 0) {
        while (waitpid(renderer.pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    renderer = Renderer{};
}

// Kills a renderer that went wrong mid-page.
void Discard(Renderer& renderer) {
    if (renderer.pid > 0)
        kill(renderer.pid, SIGKILL);
    Stop(renderer);
}

RenderedImage LostPage(const RenderJob& job) {
    return {
        {"RenderPagesToFiles", job.input, Problem::kDamaged, "the renderer stopped on this page"},
        0,
        0};
}

// Hands out jobs in order to whichever renderer is free and passes each
// result on as it comes.
class Dispatch {
public:
    Dispatch(const std::vector<RenderJob>& jobs, const RenderDone& done, std::string program)
        : jobs_(jobs), done_(done), program_(std::move(program)) {}

    // The first job no renderer took (all of them died and none restarted).
    int Next() const { return stopped_ ? static_cast<int>(jobs_.size()) : next_; }

    int Run(std::vector<Renderer>& renderers) {
        for (Renderer& renderer : renderers)
            Assign(renderer);
        while (true) {
            std::vector<pollfd> busy;
            std::vector<Renderer*> owners;
            for (Renderer& renderer : renderers) {
                if (renderer.job >= 0) {
                    busy.push_back({renderer.fd, POLLIN, 0});
                    owners.push_back(&renderer);
                }
            }
            if (busy.empty())
                return written_;
            if (poll(busy.data(), busy.size(), -1) < 0 && errno != EINTR)
                return written_;
            for (std::size_t i = 0; i < busy.size(); ++i) {
                if (busy[i].revents != 0)
                    Collect(*owners[i]);
            }
        }
    }

private:
    void Assign(Renderer& renderer) {
        renderer.job = -1;
        if (stopped_ || next_ >= static_cast<int>(jobs_.size()) || renderer.fd < 0)
            return;
        const int index = next_++;
        if (!SendMessage(renderer.fd, EncodeJob(index, jobs_[index]))) {
            Lost(renderer, index);
            return;
        }
        renderer.job = index;
    }

    void Collect(Renderer& renderer) {
        std::string message;
        int index = -1;
        RenderedImage image;
        if (!ReceiveMessage(renderer.fd, message) || !DecodeImage(message, index, image) ||
            index != renderer.job) {
            Lost(renderer, renderer.job);
            return;
        }
        Report(index, image);
        Assign(renderer);
    }

    // The renderer died on `index`: that page failed, a new renderer goes on.
    void Lost(Renderer& renderer, int index) {
        Discard(renderer);
        Report(index, LostPage(jobs_[index]));
        if (restarts_++ < static_cast<int>(jobs_.size()))
            renderer = Start(program_);
        Assign(renderer);
    }

    void Report(int index, const RenderedImage& image) {
        if (image.error.problem == Problem::kNone)
            ++written_;
        if (!done_(index, image))
            stopped_ = true;
    }

    const std::vector<RenderJob>& jobs_;
    const RenderDone& done_;
    const std::string program_;
    int next_ = 0;
    int written_ = 0;
    int restarts_ = 0;
    bool stopped_ = false;
};

}  // namespace

int ProcessorCount() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        return std::max(1, CPU_COUNT(&set));
    return std::max(1L, sysconf(_SC_NPROCESSORS_ONLN));
}

bool RenderPool::RendererUsable() const {
    return !rendererFile_.empty() && access(rendererFile_.c_str(), X_OK) == 0;
}

int RenderPool::Run(const std::vector<RenderJob>& jobs, int workers, const RenderDone& done) {
    if (jobs.empty())
        return 0;
    const int wanted =
        std::min<int>(workers > 0 ? workers : ProcessorCount(), static_cast<int>(jobs.size()));
    std::vector<Renderer> renderers;
    if (RendererUsable()) {
        for (int i = 0; i < wanted; ++i) {
            Renderer renderer = Start(rendererFile_);
            if (renderer.pid > 0)
                renderers.push_back(renderer);
        }
    }
    if (renderers.empty())
        return RunHere(jobs, done);
    Dispatch dispatch(jobs, done, rendererFile_);
    int written = dispatch.Run(renderers);
    for (Renderer& renderer : renderers)
        Stop(renderer);
    // Renderers that could not be started again leave the rest to this process.
    if (dispatch.Next() < static_cast<int>(jobs.size())) {
        const std::vector<RenderJob> rest(jobs.begin() + dispatch.Next(), jobs.end());
        const int offset = dispatch.Next();
        written += RunHere(rest, [&](int index, const RenderedImage& image) {
            return done(offset + index, image);
        });
    }
    return written;
}

int RenderPool::RunHere(const std::vector<RenderJob>& jobs, const RenderDone& done) {
    const RendererSession session;
    int written = 0;
    for (int index = 0; index < static_cast<int>(jobs.size()); ++index) {
        const RenderedImage image = RenderJobToFile(jobs[index]);
        if (image.error.problem == Problem::kNone)
            ++written;
        if (!done(index, image))
            break;
    }
    return written;
}

}  // namespace pdfax
