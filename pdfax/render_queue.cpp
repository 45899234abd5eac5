#include "render_queue.h"

#include "failure.h"
#include "render_page.h"

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

namespace pdfax {
namespace {

// The lowest priority: the writers need only what the rendering leaves of
// the machine, and should they fall behind, the bounded queue makes the
// rendering wait for them, so neither side starves.
constexpr int kWorkerNice = 19;

// Each page bitmap is one allocation of tens of megabytes, made on the
// rendering thread and freed on a writer's. glibc's defaults give such blocks
// back to the kernel as soon as enough is free and fault them in again, page
// by page, for the next bitmap: a fifth of the rendering time. Keeping them
// in the heap costs nothing beyond the queue's own bound.
void KeepBitmapBlocksInHeap() {
#ifdef __GLIBC__
    static const bool once = [] {
        mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);  // the most glibc allows
        mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
        return true;
    }();
    (void)once;
#endif
}

}  // namespace

RenderQueue::RenderQueue(int workers, std::size_t capacity)
    : workerCount_(std::max(1, workers)), capacity_(std::max<std::size_t>(1, capacity)) {}

RenderQueue::~RenderQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_) {
        if (worker.joinable())
            worker.join();
    }
}

// Threads start with the first page, so a library that never renders, or a
// process that only loads the module, runs none.
bool RenderQueue::StartLocked() {
    KeepBitmapBlocksInHeap();
    try {
        while (static_cast<int>(workers_.size()) < workerCount_)
            workers_.emplace_back([this] { Work(); });
    } catch (...) {
        // Fewer threads than asked for still drain the queue.
    }
    return !workers_.empty();
}

bool RenderQueue::PendingLocked(const std::string& output) const {
    if (std::find(writing_.begin(), writing_.end(), output) != writing_.end())
        return true;
    return std::any_of(queued_.begin(), queued_.end(),
                       [&](const Job& job) { return job.output == output; });
}

bool RenderQueue::Push(QImage bitmap, int format, const std::string& output) {
    std::unique_lock lock(mutex_);
    if (!StartLocked())
        return false;
    changed_.wait(lock, [&] {
        return queued_.size() + writing_.size() < capacity_ && !PendingLocked(output);
    });
    failures_.erase(output);
    queued_.push_back(Job{std::move(bitmap), format, output});
    lock.unlock();
    changed_.notify_all();
    return true;
}

void RenderQueue::Drain() noexcept {
    try {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return queued_.empty() && writing_.empty(); });
    } catch (...) {
        // Locking cannot fail on a mutex this object owns; nothing to wait for otherwise.
    }
}

CallError RenderQueue::FailureFor(const std::string& output) {
    std::lock_guard lock(mutex_);
    const auto found = failures_.find(output);
    return found == failures_.end() ? CallError{} : found->second;
}

void RenderQueue::Work() noexcept {
    // Linux gives each thread its own nice value; elsewhere this is a no-op
    // at worst. Failing to lower it only costs speed.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kWorkerNice);
    try {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] { return stopping_ || !queued_.empty(); });
            if (queued_.empty())
                return;  // stopping, and nothing left to write
            Job job = std::move(queued_.front());
            queued_.pop_front();
            writing_.push_back(job.output);
            lock.unlock();
            CallError failure;
            try {
                WriteBitmapFile(job.bitmap, job.format, job.output);
            } catch (const Failure& e) {
                failure = {"DARenderPageToFile", e.path(), e.problem(), e.detail()};
            } catch (const std::exception& e) {
                failure = {"DARenderPageToFile", job.output, Problem::kFailed, e.what()};
            }
            const std::string output = std::move(job.output);
            job = Job{};  // the bitmap goes before the next one is admitted
            lock.lock();
            if (failure.problem != Problem::kNone)
                failures_[output] = failure;
            writing_.erase(std::find(writing_.begin(), writing_.end(), output));
            changed_.notify_all();
        }
    } catch (...) {
    }
}

}  // namespace pdfax
