// Finishing rendered pages off the rendering thread.
//
// Rendering is serialised inside the renderer, so it stays on the caller's
// thread; putting the bitmap onto white, turning it into PNG or JPEG bytes
// and writing them is independent work that a few threads can do while the
// next page renders. Those threads run at a lower priority than the caller,
// so that on a machine with few cores the rendering keeps its core.
#pragma once

#include <pdfax/library.h>

#include <QImage>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pdfax {

class RenderQueue {
public:
    // At most `capacity` images are held at once, queued or being written,
    // so memory stays bounded however many pages are rendered.
    explicit RenderQueue(int workers = 2, std::size_t capacity = 6);
    // Finishes every queued write, then stops the threads.
    ~RenderQueue();
    RenderQueue(const RenderQueue&) = delete;
    RenderQueue& operator=(const RenderQueue&) = delete;

    // Hands `bitmap` over to be put onto white and written to `output` as
    // `format`, whole or not at all. Blocks while the queue is full, and
    // while an earlier write to the same name is pending, so that the last
    // call's image wins. False when no thread could be started; the caller
    // then writes it itself.
    bool Push(QImage bitmap, int format, const std::string& output);

    // Returns once every write handed over so far is finished.
    void Drain() noexcept;

    // Why the last write handed over for `output` failed (problem kNone
    // when it has not failed, or is not finished yet).
    CallError FailureFor(const std::string& output);

private:
    struct Job {
        QImage bitmap;
        int format = 0;
        std::string output;
    };

    bool StartLocked();
    bool PendingLocked(const std::string& output) const;
    void Work() noexcept;

    const int workerCount_;
    const std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queued_;
    std::vector<std::string> writing_;  // outputs being written right now
    std::vector<std::thread> workers_;
    std::map<std::string, CallError> failures_;
    bool stopping_ = false;
};

}  // namespace pdfax
