#include "small_file_system.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <string>

namespace vellumark::testing {

SmallFileSystem::SmallFileSystem(long bytes) {
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
    mounted_ = mount("tmpfs", folder_.path().c_str(), "tmpfs", 0, options.c_str()) == 0;
}

SmallFileSystem::~SmallFileSystem() {
    if (mounted_)
        umount2(folder_.path().c_str(), MNT_DETACH);
}

void SmallFileSystem::FillLeaving(long bytes) {
    struct statvfs fs {};
    if (statvfs(path().c_str(), &fs) != 0)
        return;
    const long free = static_cast<long>(fs.f_bavail * fs.f_frsize);
    if (free <= bytes)
        return;
    const int fd = open((folder_ / "filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    const std::string block(4096, 'x');
    long left = free - bytes;
    while (left > 0) {
        const long n =
            write(fd, block.data(), static_cast<std::size_t>(std::min<long>(left, 4096)));
        if (n <= 0)
            break;
        left -= n;
    }
    close(fd);
}

}  // namespace vellumark::testing
