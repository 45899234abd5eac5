#include "output_target.h"

#include <sys/stat.h>
#include <unistd.h>

namespace vellumark::cli {

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

}  // namespace vellumark::cli
