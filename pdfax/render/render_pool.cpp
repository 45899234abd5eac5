#include "render/render_pool.h"

#include "render/render_job.h"
#include "render/render_protocol.h"
#include "render/renderer_process.h"

#include <poll.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>

namespace pdfax {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A renderer that has not greeted within this long is not one.
constexpr milliseconds kGreetingTimeLimit{20000};
// A renderer whose input has ended, or that has closed its end, exits at
// once; one that has not within this long is killed.
constexpr milliseconds kExitGrace{5000};
// How often a wait looks whether the run was cancelled.
constexpr milliseconds kCancelCheck{100};
// Renderers a page is sent to before its failure is reported.
constexpr int kTries = 2;
// Pages that failed in renderers that often, with no renderer having answered
// for any page, mean the renderer program is broken: the rest of the pages
// would only cost each of them the same.
constexpr int kFailuresBeforeGivingUp = 2;

enum class State { kStarting, kIdle, kBusy, kGone };

struct Slot {
    RendererProcess process;
    State state = State::kGone;
    int job = -1;
    Clock::time_point deadline;  // of the greeting or of the page
};

std::string SecondsText(milliseconds time) {
    return std::to_string(time.count() / 1000) + " s";
}

// Hands out jobs to the renderers as they are free, passes each result on as
// it comes, and ends the renderers that go wrong.
class Dispatch {
public:
    Dispatch(const std::string& program, const std::vector<RenderJob>& jobs, const RenderDone& done,
             const RenderCancelled& cancelled, milliseconds limit)
        : program_(program),
          jobs_(jobs),
          done_(done),
          cancelled_(cancelled),
          limit_(limit),
          tries_(jobs.size()),
          reported_(jobs.size()),
          failures_(jobs.size()) {
        for (int job = 0; job < static_cast<int>(jobs.size()); ++job)
            queue_.push_back(job);
    }

    // Renders with `workers` renderers, all started at once. Returns the
    // jobs that no renderer took because none would run.
    std::vector<int> Run(int workers) {
        slots_ = std::vector<Slot>(static_cast<std::size_t>(workers));
        for (Slot& slot : slots_)
            Start(slot);
        while (!stopped_ && !givenUp_) {
            for (Slot& slot : slots_) {
                if (slot.state == State::kIdle)
                    Assign(slot);
            }
            if (!Working())
                break;
            WaitRound();
            if (cancelled_ && cancelled_())
                stopped_ = true;
        }
        EndAll();
        return Leftovers();
    }

    int written() const { return written_; }
    int started() const { return started_; }
    bool stopped() const { return stopped_; }

private:
    void Start(Slot& slot) {
        slot.job = -1;
        slot.state = State::kGone;
        if (!slot.process.Start(program_))
            return;
        ++started_;
        slot.state = State::kStarting;
        slot.deadline = Clock::now() + kGreetingTimeLimit;
    }

    void Assign(Slot& slot) {
        if (queue_.empty())
            return;
        const int job = queue_.front();
        queue_.pop_front();
        ++tries_[job];
        slot.job = job;
        slot.state = State::kBusy;
        slot.deadline = Clock::now() + limit_;
        if (!slot.process.Send(EncodeJob(job, jobs_[job])))
            Failed(slot, Problem::kRendererCrashed, "could not be sent the page", kExitGrace);
    }

    bool Working() const {
        return std::any_of(slots_.begin(), slots_.end(), [](const Slot& slot) {
            return slot.state == State::kStarting || slot.state == State::kBusy;
        });
    }

    // Waits for what the renderers say, at most until the next deadline or
    // the next look at `cancelled`, and ends those past their deadline.
    void WaitRound() {
        std::vector<pollfd> fds;
        std::vector<Slot*> owners;
        milliseconds wait = kCancelCheck;
        const auto now = Clock::now();
        for (Slot& slot : slots_) {
            if (slot.state == State::kGone)
                continue;
            for (const int fd : {slot.process.errors(), slot.process.connection()}) {
                if (fd >= 0) {
                    fds.push_back({fd, POLLIN, 0});
                    owners.push_back(&slot);
                }
            }
            if (slot.state != State::kIdle) {
                const auto left = std::chrono::ceil<milliseconds>(slot.deadline - now);
                wait = std::clamp(left, milliseconds(0), wait);
            }
        }
        if (poll(fds.data(), fds.size(), static_cast<int>(wait.count())) < 0 && errno != EINTR) {
            GiveUp({"RenderPagesToFiles",
                    {},
                    Problem::kFailed,
                    std::string("poll: ") + std::strerror(errno)});
            return;
        }
        // Standard error first: a renderer's last words belong to its ending.
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].revents != 0 && fds[i].fd == owners[i]->process.errors())
                owners[i]->process.ReadErrors();
        }
        for (std::size_t i = 0; i < fds.size() && !stopped_ && !givenUp_; ++i) {
            if (fds[i].revents != 0 && fds[i].fd == owners[i]->process.connection())
                Hear(*owners[i]);
        }
        for (Slot& slot : slots_) {
            if (stopped_ || givenUp_ || slot.state == State::kGone || slot.state == State::kIdle ||
                Clock::now() < slot.deadline)
                continue;
            if (slot.state == State::kStarting)
                Failed(slot, Problem::kRendererCrashed,
                       "did not greet within " + SecondsText(kGreetingTimeLimit), milliseconds(0));
            else
                Failed(slot, Problem::kRendererTimedOut,
                       "gave no answer within " + SecondsText(limit_), milliseconds(0));
        }
    }

    void Hear(Slot& slot) {
        std::string message;
        switch (slot.process.Receive(message)) {
            case RendererProcess::Received::kNothing:
                return;
            case RendererProcess::Received::kMessage:
                if (slot.state == State::kStarting && message == kRendererGreeting)
                    slot.state = State::kIdle;
                else
                    Answer(slot, message);
                return;
            case RendererProcess::Received::kGarbage:
                Failed(slot, Problem::kRendererCrashed, "sent bytes that are no message",
                       milliseconds(0));
                return;
            case RendererProcess::Received::kClosed:
                Failed(slot, Problem::kRendererCrashed, "ended", kExitGrace);
                return;
        }
    }

    void Answer(Slot& slot, const std::string& message) {
        int index = -1;
        RenderedImage image;
        if (slot.state != State::kBusy || !DecodeImage(message, index, image) ||
            index != slot.job) {
            Failed(slot, Problem::kRendererCrashed, "answered with a message that is no answer",
                   milliseconds(0));
            return;
        }
        everAnswered_ = true;
        slot.state = State::kIdle;
        slot.job = -1;
        Report(index, image);
    }

    // The renderer went wrong: it is ended, and the page it held goes to a
    // fresh one, or is reported when it has had its tries.
    void Failed(Slot& slot, Problem problem, const std::string& what, milliseconds grace) {
        const int job = slot.job;
        const int pid = static_cast<int>(slot.process.pid());
        std::string detail = "renderer " + std::to_string(pid) + " " + what;
        if (job >= 0) {
            detail += " on page " + std::to_string(jobs_[job].page) + " of " + jobs_[job].input +
                      " (try " + std::to_string(tries_[job]) + " of " + std::to_string(kTries) +
                      ")";
        }
        detail += "; " + slot.process.End(grace).how;
        slot.state = State::kGone;
        slot.job = -1;
        qCWarning(lcRender, "%s", detail.c_str());
        if (job < 0)
            return;  // it never held a page: it stays ended
        failures_[job] = {"RenderPagesToFiles", jobs_[job].input, problem, detail};
        if (tries_[job] < kTries) {
            queue_.push_front(job);
        } else {
            Report(job, RenderedImage{failures_[job]});
            if (!everAnswered_ && ++failedPages_ >= kFailuresBeforeGivingUp) {
                GiveUp(failures_[job]);
                return;
            }
        }
        if (!queue_.empty() && !stopped_)
            Start(slot);
    }

    // Ends every renderer and reports every page not yet reported with `cause`.
    void GiveUp(const CallError& cause) {
        givenUp_ = true;
        qCWarning(lcRender, "no further page goes to a renderer: %s", cause.detail.c_str());
        EndAll();
        for (int job = 0; job < static_cast<int>(jobs_.size()) && !stopped_; ++job) {
            RenderedImage image{failures_[job]};
            if (image.error.problem == Problem::kNone) {
                image.error = {"RenderPagesToFiles", jobs_[job].input, cause.problem,
                               "not sent to a renderer: " + cause.detail};
            }
            Report(job, image);
        }
    }

    void Report(int job, const RenderedImage& image) {
        if (reported_[job])
            return;
        reported_[job] = true;
        if (image.error.problem == Problem::kNone)
            ++written_;
        if (!done_(job, image))
            stopped_ = true;
    }

    // A renderer still at work is killed: the run is over for its page.
    void EndAll() {
        for (Slot& slot : slots_) {
            if (slot.state == State::kGone)
                continue;
            const bool idle = slot.state == State::kIdle;
            const int pid = static_cast<int>(slot.process.pid());
            const RendererProcess::Ending ending =
                slot.process.End(idle ? kExitGrace : milliseconds(0));
            slot.state = State::kGone;
            if (!idle)
                qCInfo(lcRender, "renderer %d stopped with the run; %s", pid, ending.how.c_str());
            else if (!ending.clean)
                qCWarning(lcRender, "renderer %d ended badly; %s", pid, ending.how.c_str());
            else
                qCDebug(lcRender, "renderer %d ended", pid);
        }
    }

    // The pages still waiting when no renderer is left. A page that has been
    // in a renderer already may be what killed it, so it is not rendered in
    // this process: it is reported as that renderer's failure.
    std::vector<int> Leftovers() {
        std::vector<int> here;
        for (const int job : queue_) {
            if (stopped_ || givenUp_)
                break;
            if (tries_[job] == 0)
                here.push_back(job);
            else
                Report(job, RenderedImage{failures_[job]});
        }
        std::sort(here.begin(), here.end());
        return stopped_ ? std::vector<int>() : here;
    }

    const std::string& program_;
    const std::vector<RenderJob>& jobs_;
    const RenderDone& done_;
    const RenderCancelled& cancelled_;
    const milliseconds limit_;
    std::vector<Slot> slots_;
    std::deque<int> queue_;
    std::vector<int> tries_;
    std::vector<bool> reported_;
    std::vector<CallError> failures_;  // each job's last renderer failure
    int written_ = 0;
    int started_ = 0;
    int failedPages_ = 0;
    bool everAnswered_ = false;
    bool stopped_ = false;
    bool givenUp_ = false;
};

int RunHere(const std::vector<RenderJob>& jobs, const std::vector<int>& indices,
            const RenderDone& done, const RenderCancelled& cancelled) {
    const RendererSession session;
    int written = 0;
    for (const int index : indices) {
        if (cancelled && cancelled())
            break;
        const RenderedImage image = RenderJobToFile(jobs[index]);
        if (image.error.problem == Problem::kNone)
            ++written;
        if (!done(index, image))
            break;
    }
    return written;
}

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

int RenderPool::Run(const std::vector<RenderJob>& jobs, int workers, const RenderDone& done,
                    const RenderCancelled& cancelled) {
    if (jobs.empty())
        return 0;
    const auto began = Clock::now();
    const int wanted =
        std::min<int>(workers > 0 ? workers : ProcessorCount(), static_cast<int>(jobs.size()));
    Dispatch dispatch(rendererFile_, jobs, done, cancelled, pageTimeLimit_);
    std::vector<int> here;
    if (RendererUsable()) {
        here = dispatch.Run(wanted);
    } else {
        for (int index = 0; index < static_cast<int>(jobs.size()); ++index)
            here.push_back(index);
    }
    int written = dispatch.written();
    if (!here.empty()) {
        qCInfo(lcRender, "%zu pages rendered in this process: no renderer program runs",
               here.size());
        written += RunHere(jobs, here, done, cancelled);
    }
    const auto took = std::chrono::duration_cast<milliseconds>(Clock::now() - began);
    qCInfo(lcRender, "%d of %zu pages written in %lld ms; %d renderer processes started", written,
           jobs.size(), static_cast<long long>(took.count()), dispatch.started());
    return written;
}

}  // namespace pdfax
