// The module's one exported symbol: a class factory in the manner of
// in-process COM servers, so that the loader can check what it loaded.
#include "library_object.h"

#include <cstring>

namespace pdfax {
namespace {

class Factory final : public ClassFactory {
public:
    int CreateInstance(void* outer, const char* interfaceId, void** object) override {
        if (!object)
            return kFailed;
        *object = nullptr;
        if (outer)
            return kFailed;  // aggregation is not supported
        if (!interfaceId || std::strcmp(interfaceId, kLibraryInterfaceId) != 0)
            return kNoInterface;
        try {
            *object = static_cast<Library*>(new LibraryObject());
            return kOk;
        } catch (...) {
            return kFailed;
        }
    }
    void Release() override { delete this; }
};

}  // namespace
}  // namespace pdfax

extern "C" __attribute__((visibility("default"))) int DllGetClassObject(const char* classId,
                                                                        const char* interfaceId,
                                                                        void** factory) {
    using namespace pdfax;
    if (!factory)
        return kFailed;
    *factory = nullptr;
    if (!classId || std::strcmp(classId, kClassId) != 0)
        return kNoClass;
    if (!interfaceId || std::strcmp(interfaceId, kClassFactoryInterfaceId) != 0)
        return kNoInterface;
    try {
        *factory = static_cast<ClassFactory*>(new Factory());
        return kOk;
    } catch (...) {
        return kFailed;
    }
}
