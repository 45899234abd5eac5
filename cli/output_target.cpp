#include "output_target.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

namespace vellumark::cli {
namespace {

bool CopyContents(int in, int out) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = read(in, buffer.data(), buffer.size());
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = write(out, buffer.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            done += w;
        }
    }
}

}  // namespace

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string OutputProblem(const std::string& path) {
    const std::string folder = FolderOf(path);
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0)
        return "输出文件夹不存在：" + folder;
    if (!S_ISDIR(st.st_mode))
        return "输出路径中的“" + folder + "”不是文件夹";
    if (access(folder.c_str(), W_OK | X_OK) != 0)
        return "无法写入输出文件夹：" + folder;
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        return "输出路径是一个文件夹：" + path;
    }
    return {};
}

bool MoveIntoPlace(const std::string& from, const std::string& to) {
    if (rename(from.c_str(), to.c_str()) == 0)
        return true;
    if (errno != EXDEV)
        return false;
    const std::string temporary = to + ".part-" + std::to_string(getpid());
    const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    const int out = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0) {
        close(in);
        return false;
    }
    bool ok = CopyContents(in, out) && fsync(out) == 0;
    ok = close(out) == 0 && ok;
    close(in);
    if (ok)
        ok = rename(temporary.c_str(), to.c_str()) == 0;
    if (!ok) {
        unlink(temporary.c_str());
        return false;
    }
    unlink(from.c_str());
    return true;
}

}  // namespace vellumark::cli
