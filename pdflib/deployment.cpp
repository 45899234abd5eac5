#include "deployment.h"

#include <pdfax/library.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

extern "C" const char vellumark_embedded_module[];
extern "C" const char vellumark_embedded_module_end[];

namespace vellumark {

std::string_view EmbeddedModule() {
    return {vellumark_embedded_module,
            static_cast<std::size_t>(vellumark_embedded_module_end - vellumark_embedded_module)};
}

namespace {

bool HoldsBytes(const std::string& path, std::string_view bytes) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool same = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                static_cast<std::size_t>(st.st_size) == bytes.size();
    std::vector<char> buffer(1 << 16);
    std::size_t done = 0;
    while (same && done < bytes.size()) {
        const ssize_t n = read(fd, buffer.data(), std::min(buffer.size(), bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        same = n > 0 && std::memcmp(buffer.data(), bytes.data() + done, std::size_t(n)) == 0;
        done += n > 0 ? std::size_t(n) : 0;
    }
    close(fd);
    return same;
}

bool WriteAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes `bytes` to a temporary file beside `path` and renames it over
// whatever file is there: a process that has the old module loaded keeps
// it, one starting now sees the old file or the whole new one.
bool ReplaceWith(const std::string& path, std::string_view bytes) {
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    // Named and locked as the library names and locks its own temporary
    // files, so that a copy left by a killed start is recognised and removed.
    std::string pattern = folder + "/" + pdfax::kTempFilePrefix + "XXXXXX";
    const int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    flock(fd, LOCK_EX);
    const bool ok = fchmod(fd, 0755) == 0 && WriteAll(fd, bytes) && fsync(fd) == 0 &&
                    std::rename(pattern.c_str(), path.c_str()) == 0;
    if (!ok)
        unlink(pattern.c_str());
    return close(fd) == 0 && ok;
}

}  // namespace

bool DeployLibraryFile(const std::string& path, std::string_view bytes) {
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return false;
    if (HoldsBytes(path, bytes))
        return true;
    return ReplaceWith(path, bytes) && HoldsBytes(path, bytes);
}

void* ActivateFromFile(const std::string& path, const char* classId, const char* interfaceId,
                       pdfax::Library** object) {
    *object = nullptr;
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module)
        return nullptr;
    auto entry =
        reinterpret_cast<pdfax::FactoryEntryPoint>(dlsym(module, pdfax::kFactoryEntryPoint));
    if (!entry)
        return nullptr;  // the module stays loaded, as a failed lookup leaves it
    if (!interfaceId)
        interfaceId = pdfax::kLibraryInterfaceId;

    void* factoryPointer = nullptr;
    if (entry(classId, pdfax::kClassFactoryInterfaceId, &factoryPointer) != pdfax::kOk ||
        !factoryPointer) {
        dlclose(module);
        return nullptr;
    }
    auto* factory = static_cast<pdfax::ClassFactory*>(factoryPointer);
    void* created = nullptr;
    const int result = factory->CreateInstance(nullptr, interfaceId, &created);
    factory->Release();
    if (result != pdfax::kOk || !created) {
        dlclose(module);
        return nullptr;
    }
    *object = static_cast<pdfax::Library*>(created);
    return module;  // never unloaded: the object lives in it
}

}  // namespace vellumark
