#include "seal.h"

#include <openssl/asn1.h>

#include <optional>
#include <vector>

#include "error_words.h"

namespace ofd {
namespace {

// One DER element: its tag, and where its contents lie in the bytes.
struct Element {
    int tag = 0;
    int cls = 0;
    bool constructed = false;
    const unsigned char* contents = nullptr;
    long length = 0;
};

// The elements inside [p, end), read with ASN1_get_object; nullopt when they
// do not parse. Indefinite lengths do not occur in DER and are refused.
std::optional<std::vector<Element>> Children(const unsigned char* p, long size) {
    std::vector<Element> out;
    const unsigned char* end = p + size;
    while (p < end) {
        Element e;
        long length = 0;
        int tag = 0, cls = 0;
        const unsigned char* at = p;
        const int info = ASN1_get_object(&at, &length, &tag, &cls, end - p);
        if ((info & 0x80) || info == 0x21)
            return std::nullopt;
        e.tag = tag, e.cls = cls, e.constructed = (info & V_ASN1_CONSTRUCTED) != 0;
        e.contents = at, e.length = length;
        out.push_back(e);
        p = at + length;
    }
    return out;
}

std::optional<std::vector<Element>> ChildrenOf(const Element& e) {
    if (!e.constructed || e.tag != V_ASN1_SEQUENCE || e.cls != V_ASN1_UNIVERSAL)
        return std::nullopt;
    return Children(e.contents, e.length);
}

bool Is(const Element& e, int tag) {
    return e.cls == V_ASN1_UNIVERSAL && e.tag == tag;
}

std::optional<long long> Integer(const Element& e) {
    if (!Is(e, V_ASN1_INTEGER) || e.length < 1 || e.length > 8)
        return std::nullopt;
    long long value = (e.contents[0] & 0x80) ? -1 : 0;
    for (long i = 0; i < e.length; ++i)
        value = static_cast<long long>(static_cast<unsigned long long>(value) << 8 | e.contents[i]);
    return value;
}

// { type IA5String, data OCTET STRING, width INTEGER, height INTEGER }
std::optional<SealPicture> Picture(const Element& e) {
    const auto items = ChildrenOf(e);
    if (!items || items->size() < 4 || !Is((*items)[0], V_ASN1_IA5STRING) ||
        !Is((*items)[1], V_ASN1_OCTET_STRING))
        return std::nullopt;
    const auto width = Integer((*items)[2]), height = Integer((*items)[3]);
    if (!width || !height)
        return std::nullopt;
    SealPicture picture;
    for (long i = 0; i < (*items)[0].length; ++i) {
        char c = static_cast<char>((*items)[0].contents[i]);
        picture.type += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    picture.data.assign(reinterpret_cast<const char*>((*items)[1].contents),
                        static_cast<std::size_t>((*items)[1].length));
    picture.widthMm = *width, picture.heightMm = *height;
    return picture;
}

}  // namespace

std::variant<SealPicture, Error> ReadSealPicture(const std::string& der) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(der.data());
    // Signature { TBS_Sign { version, SESeal { SealInfo { header, esID,
    // property, picture, ... }, ... }, ... }, ... } in both versions.
    const auto top = Children(bytes, static_cast<long>(der.size()));
    std::optional<std::vector<Element>> signature, toSign, seal, info;
    if (top && top->size() == 1)
        signature = ChildrenOf(top->front());
    if (signature && !signature->empty())
        toSign = ChildrenOf(signature->front());
    if (toSign && toSign->size() >= 2 && Is((*toSign)[0], V_ASN1_INTEGER))
        seal = ChildrenOf((*toSign)[1]);
    if (seal && !seal->empty())
        info = ChildrenOf(seal->front());
    if (info && info->size() >= 4)
        if (auto picture = Picture((*info)[3]))
            return std::move(*picture);
    return Fail(kWordsSealUnknown,
                "signed value holds no seal picture where either seal "
                "structure keeps it (" +
                    std::to_string(der.size()) + " bytes)");
}

}  // namespace ofd
