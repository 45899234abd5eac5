// Measuring rendered invoice images on a background thread while the next
// invoices render.
//
// Each image is measured from its finished file, exactly as a measurement on
// the caller's thread would, so results do not depend on timing. The thread
// runs at the lowest priority: rendering, on the caller's thread, comes first.
#pragma once

#include "sheet_layout.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vellumark {

class ImageMeasurer {
public:
    ImageMeasurer() = default;
    // Waits for the image being measured; the rest of the queue is dropped.
    ~ImageMeasurer();
    ImageMeasurer(const ImageMeasurer&) = delete;
    ImageMeasurer& operator=(const ImageMeasurer&) = delete;

    // Queues the finished image file `path`; returns its ticket, 0, 1, 2, ...
    // in the order of the calls. Measured on the caller's thread at once when
    // no thread can be started.
    std::size_t Add(const std::string& path);

    // True once the image of `ticket` is measured.
    bool Ready(std::size_t ticket);

    // The measured image of `ticket`, waiting for it if need be.
    SheetImage Take(std::size_t ticket);

private:
    struct Entry {
        std::string path;
        bool done = false;
        SheetImage image;
    };

    void Work() noexcept;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Entry> entries_;  // by ticket; deque keeps references stable
    std::size_t next_ = 0;       // the first ticket not yet taken by the thread
    std::thread thread_;
    bool threadFailed_ = false;
    bool workerGone_ = false;
    bool stopping_ = false;
};

}  // namespace vellumark
