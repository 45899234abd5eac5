#include "core/program_places.h"

#include <QByteArray>
#include <QFile>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace vellumark {
namespace {

std::string UserFolder(QStandardPaths::StandardLocation location) {
    return QFile::encodeName(QStandardPaths::writableLocation(location)).toStdString();
}

// Makes `path` and its missing parents. The last one is private: images of
// invoices and merged files are nobody else's business on a shared machine.
void MakePrivateFolder(const std::string& path) {
    std::error_code ignored;  // a folder that cannot be made is said where it is written
    std::filesystem::create_directories(path, ignored);
    chmod(path.c_str(), 0700);
}

bool ProgramFolderTakesFiles(const std::string& programDirectory) {
    const std::string folder = programDirectory.empty() ? "/" : programDirectory;
    if (access(folder.c_str(), W_OK | X_OK) != 0)
        return false;
    struct stat st {};
    return lstat((programDirectory + kInstalledMarkerName).c_str(), &st) != 0;
}

}  // namespace

ProgramPlaces ChoosePlaces(const std::string& programDirectory) {
    if (ProgramFolderTakesFiles(programDirectory))
        return {programDirectory, programDirectory, std::string(), false};
    ProgramPlaces places;
    places.imageDirectory = UserFolder(QStandardPaths::CacheLocation);
    places.outputDirectory = UserFolder(QStandardPaths::AppDataLocation);
    places.moduleFallback = places.imageDirectory;
    places.inUserFolders = true;
    MakePrivateFolder(places.imageDirectory);
    MakePrivateFolder(places.outputDirectory);
    return places;
}

}  // namespace vellumark
