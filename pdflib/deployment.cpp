#include "deployment.h"

#include <pdfax/library.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

extern "C" const char vellumark_embedded_module[];
extern "C" const char vellumark_embedded_module_end[];

namespace vellumark {

std::string_view EmbeddedModule() {
    return {vellumark_embedded_module,
            static_cast<std::size_t>(vellumark_embedded_module_end - vellumark_embedded_module)};
}

void DeployLibraryFile(const std::string& path, std::string_view bytes) {
    // O_EXCL makes "exists" and "create" one step: a file or folder of that
    // name, even one that appears at this moment, is left as it is.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0755);
    if (fd < 0)
        return;
    std::size_t done = 0;
    bool ok = true;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ok = close(fd) == 0 && ok;
    // A half-written module would fail to load at every later start and,
    // existing, would never be rewritten; remove it so the next start retries.
    if (!ok)
        unlink(path.c_str());
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
