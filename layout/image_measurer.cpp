#include "image_measurer.h"

#include <sys/resource.h>
#include <unistd.h>

#include <utility>

namespace vellumark {

ImageMeasurer::~ImageMeasurer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

std::size_t ImageMeasurer::Add(const std::string& path) {
    std::unique_lock lock(mutex_);
    const std::size_t ticket = entries_.size();
    entries_.push_back(Entry{path, false, {path, 0, 0}});
    if (!thread_.joinable() && !threadFailed_) {
        try {
            thread_ = std::thread([this] { Work(); });
        } catch (...) {
            threadFailed_ = true;
        }
    }
    if (threadFailed_ || workerGone_) {
        lock.unlock();
        SheetImage image = MeasureSheetImage(path);
        lock.lock();
        entries_[ticket].image = std::move(image);
        entries_[ticket].done = true;
        return ticket;
    }
    lock.unlock();
    changed_.notify_all();
    return ticket;
}

bool ImageMeasurer::Ready(std::size_t ticket) {
    std::lock_guard lock(mutex_);
    return ticket < entries_.size() && entries_[ticket].done;
}

SheetImage ImageMeasurer::Take(std::size_t ticket) {
    std::unique_lock lock(mutex_);
    if (ticket >= entries_.size())
        return {};
    changed_.wait(lock, [&] { return entries_[ticket].done || workerGone_; });
    if (!entries_[ticket].done) {
        // The thread ended early; what it left is measured here.
        const std::string path = entries_[ticket].path;
        lock.unlock();
        return MeasureSheetImage(path);
    }
    return entries_[ticket].image;
}

void ImageMeasurer::Work() noexcept {
    // Linux gives each thread its own nice value; failing to set it only
    // costs speed.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
    try {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] { return stopping_ || next_ < entries_.size(); });
            if (stopping_)
                return;
            const std::size_t ticket = next_++;
            const std::string path = entries_[ticket].path;
            lock.unlock();
            SheetImage image;
            try {
                image = MeasureSheetImage(path);
            } catch (...) {
                image = SheetImage{path, 0, 0};  // unmeasurable counts as undecodable
            }
            lock.lock();
            entries_[ticket].image = std::move(image);
            entries_[ticket].done = true;
            changed_.notify_all();
        }
    } catch (...) {
        std::lock_guard lock(mutex_);
        workerGone_ = true;
        changed_.notify_all();
    }
}

}  // namespace vellumark
