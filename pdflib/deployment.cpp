#include "deployment.h"

#include <files/atomic_file.h>
#include <pdfax/library.h>

#include <dlfcn.h>
#include <fcntl.h>
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

namespace files = vellumark::files;

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

// Written whole beside `path` and renamed over whatever file is there: a
// process that has the old module loaded keeps it, one starting now sees
// the old file or the whole new one.
bool ReplaceWith(const std::string& path, std::string_view bytes) {
    try {
        files::ReplaceFileWith(path, bytes, files::kProgramMode);
        return true;
    } catch (const files::FileError&) {
        return false;
    }
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
