// The picture of an electronic seal, from a signature's signed value: the
// seal structures of both the older and the current standard carry it as
// { type, data, width, height } in the seal's information, and differ in
// what stands around it.
#pragma once

#include <string>
#include <variant>

#include "ofd/ofd.h"

namespace ofd {

struct SealPicture {
    std::string type;  // lower-cased: "ofd", "png", "jpg", "gif", "bmp", ...
    std::string data;
    long long widthMm = 0, heightMm = 0;
};

// Read with OpenSSL's DER reader; an Error when the bytes hold no seal
// picture where either structure keeps it (a plain PKCS #7 signature, say).
std::variant<SealPicture, Error> ReadSealPicture(const std::string& der);

}  // namespace ofd
