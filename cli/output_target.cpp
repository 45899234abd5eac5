#include "output_target.h"

#include "intake/file_search.h"
#include "intake/wildcard.h"

#include <vector>

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

namespace {

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

std::string OutputOverwritesInvoice(const std::string& path, const std::string& invoiceFolder) {
    const std::string refusal = "--output 会覆盖发票文件夹中的PDF文件，请换一个位置：" + path;
    struct stat folder {};
    struct stat outputFolder {};
    if (stat(invoiceFolder.c_str(), &folder) != 0)
        return {};
    const auto slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (stat(FolderOf(path).c_str(), &outputFolder) == 0 && SameFile(folder, outputFolder) &&
        WildcardMatch("*.pdf", name))
        return refusal;
    // The same file reached through a link or another path.
    struct stat output {};
    if (stat(path.c_str(), &output) != 0)
        return {};
    std::vector<std::string> inputs;
    FileSearch(invoiceFolder, "*.pdf", inputs);
    for (const auto& input : inputs) {
        struct stat st {};
        if (stat(input.c_str(), &st) == 0 && SameFile(st, output))
            return refusal;
    }
    return {};
}

}  // namespace vellumark::cli
