// The zip package of an OFD file, read with libzip: entries are looked up by
// their names inside the package and read whole, within the size limits.
#pragma once

#include <zip.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <variant>

#include "ofd/ofd.h"

namespace ofd {

class Package {
public:
    static std::variant<std::unique_ptr<Package>, Error> FromFile(const std::string& pathBytes);
    static std::variant<std::unique_ptr<Package>, Error> FromBytes(std::string bytes);
    ~Package();
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    // `name` is a resolved entry name (see Resolve); letter case is forgiven,
    // as producers written for case-blind file systems get it wrong.
    bool Has(const std::string& name) const;
    std::variant<std::string, Error> Read(const std::string& name) const;

private:
    Package() = default;
    static std::variant<std::unique_ptr<Package>, Error> Open(std::unique_ptr<Package> package);

    std::string bytes_;
    zip_t* zip_ = nullptr;
    std::unordered_map<std::string, zip_uint64_t> index_;  // lower-cased name
    mutable std::size_t read_ = 0;
};

// The entry that `ref` names, written in the entry `from`: from the package's
// root when it starts with '/', otherwise from `from`'s folder. Empty when
// the reference climbs out of the package.
std::string Resolve(const std::string& from, const std::string& ref);
// The entry `ref` names in the folder `folder` ("" or ending in '/').
std::string ResolveIn(const std::string& folder, const std::string& ref);
std::string FolderOf(const std::string& entry);

}  // namespace ofd
