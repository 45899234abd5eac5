#include "intake/folder_ops.h"

#include <files/atomic_file.h>
#include <pdfax/library.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <vector>

namespace vellumark {

namespace files = vellumark::files;

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool EntryExists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

bool RemoveFile(const std::string& path) {
    return unlink(path.c_str()) == 0;
}

void RemoveFolderTree(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        return;
    if (!S_ISDIR(st.st_mode)) {
        unlink(path.c_str());
        return;
    }
    std::vector<std::string> names;
    {
        std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(path.c_str()), closedir);
        if (dir) {
            while (const dirent* entry = readdir(dir.get())) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..")
                    names.push_back(name);
            }
        }
    }
    for (const auto& name : names)
        RemoveFolderTree(path + "/" + name);
    rmdir(path.c_str());
}

int RemoveStaleTempFiles(const std::string& folder) {
    return files::RemoveStaleTempFiles(folder);
}

std::optional<FileProblem> WriteFileWhole(const std::string& path, const std::string& bytes) {
    try {
        files::ReplaceFileWith(path, bytes);
        return std::nullopt;
    } catch (const files::FileError& error) {
        const pdfax::Problem problem =
            error.kind == files::FileError::Kind::kSystem      ? pdfax::ProblemOfErrno(error.error)
            : error.kind == files::FileError::Kind::kNameTaken ? pdfax::Problem::kNameTaken
                                                               : pdfax::Problem::kIoError;
        return FileProblem{path, ProblemText({"", path, problem, error.what()})};
    }
}

}  // namespace vellumark
