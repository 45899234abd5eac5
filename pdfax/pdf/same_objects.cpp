#include "pdf/same_objects.h"

#include <qpdf/Buffer.hh>

#include <cstring>
#include <map>

namespace pdfax {
namespace {

// Deeper nesting of direct objects than this is no page of an invoice.
constexpr int kMaxDepth = 200;

class Comparer {
public:
    bool Same(QPDFObjectHandle a, QPDFObjectHandle b, int depth) {
        if (depth > kMaxDepth || a.isIndirect() != b.isIndirect())
            return false;
        if (a.isIndirect()) {
            const auto [at, added] = pairs_.emplace(a.getObjGen(), b.getObjGen());
            if (!added)
                return at->second == b.getObjGen();
        }
        if (a.getTypeCode() != b.getTypeCode())
            return false;
        if (a.isStream())
            return SameDictionaries(a.getDict(), b.getDict(), depth) && SameData(a, b);
        if (a.isDictionary())
            return SameDictionaries(a, b, depth);
        if (a.isArray())
            return SameArrays(a, b, depth);
        if (a.isString())
            return a.getStringValue() == b.getStringValue();
        return a.unparse() == b.unparse();
    }

private:
    bool SameDictionaries(QPDFObjectHandle a, QPDFObjectHandle b, int depth) {
        const auto keys = a.getKeys();
        if (keys != b.getKeys())
            return false;
        for (const auto& key : keys) {
            if (!Same(a.getKey(key), b.getKey(key), depth + 1))
                return false;
        }
        return true;
    }

    bool SameArrays(QPDFObjectHandle a, QPDFObjectHandle b, int depth) {
        const int n = a.getArrayNItems();
        if (n != b.getArrayNItems())
            return false;
        for (int i = 0; i < n; ++i) {
            if (!Same(a.getArrayItem(i), b.getArrayItem(i), depth + 1))
                return false;
        }
        return true;
    }

    static bool SameData(QPDFObjectHandle a, QPDFObjectHandle b) {
        const auto first = a.getRawStreamData();
        const auto second = b.getRawStreamData();
        return first->getSize() == second->getSize() &&
               (first->getSize() == 0 ||
                std::memcmp(first->getBuffer(), second->getBuffer(), first->getSize()) == 0);
    }

    std::map<QPDFObjGen, QPDFObjGen> pairs_;
};

}  // namespace

bool SameObjects(QPDFObjectHandle first, QPDFObjectHandle second) {
    try {
        return Comparer().Same(first, second, 0);
    } catch (...) {
        return false;  // data that cannot be read is not the same
    }
}

}  // namespace pdfax
