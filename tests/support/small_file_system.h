// A small file system of a test's own, to fill up: a tmpfs mounted on a
// fresh folder and unmounted when the object goes. Only root may mount; a
// test checks Mounted() and skips otherwise.
#pragma once

#include "test_support.h"

#include <string>

namespace vellumark::testing {

class SmallFileSystem {
public:
    explicit SmallFileSystem(long bytes);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool Mounted() const { return mounted_; }
    const std::string& path() const { return folder_.path(); }
    std::string operator/(const std::string& name) const { return folder_ / name; }

    // Fills it with a file of its own until only `bytes` are free.
    void FillLeaving(long bytes);

private:
    TempDir folder_;
    bool mounted_ = false;
};

}  // namespace vellumark::testing
