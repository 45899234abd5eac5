#include "package.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bounds.h"
#include "error_words.h"

namespace ofd {
namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Names that would point outside a folder they were unpacked into: refused
// even though nothing is unpacked here, as no honest producer writes them.
bool UnsafeName(const std::string& name) {
    if (name.empty() || name[0] == '/' || name[0] == '\\' || (name.size() > 1 && name[1] == ':'))
        return true;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos)
            end = name.size();
        if (name.compare(start, end - start, "..") == 0 && end - start == 2)
            return true;
        start = end + 1;
    }
    return false;
}

Error ReadFileError(int error, const std::string& path) {
    const std::string detail = path + ": " + std::strerror(error);
    if (error == ENOENT || error == ENOTDIR)
        return Fail(kWordsMissingFile, detail);
    if (error == EACCES || error == EPERM)
        return Fail(kWordsNoAccess, detail);
    return Fail(kWordsReadError, detail);
}

}  // namespace

std::variant<std::unique_ptr<Package>, Error> Package::FromFile(const std::string& pathBytes) {
    std::FILE* file = std::fopen(pathBytes.c_str(), "rb");
    if (!file)
        return ReadFileError(errno, pathBytes);
    std::unique_ptr<Package> package(new Package);
    std::vector<char> chunk(1 << 16);
    bool failed = false;
    while (true) {
        const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
        package->bytes_.append(chunk.data(), got);
        if (package->bytes_.size() > kMaxFileBytes)
            break;
        if (got < chunk.size()) {
            failed = std::ferror(file) != 0;
            break;
        }
    }
    const int error = errno;
    std::fclose(file);
    if (failed)
        return ReadFileError(error == 0 ? EIO : error, pathBytes);
    if (package->bytes_.size() > kMaxFileBytes)
        return Fail(kWordsTooLarge, pathBytes + ": larger than the limit");
    return Open(std::move(package));
}

std::variant<std::unique_ptr<Package>, Error> Package::FromBytes(std::string bytes) {
    std::unique_ptr<Package> package(new Package);
    package->bytes_ = std::move(bytes);
    if (package->bytes_.size() > kMaxFileBytes)
        return Fail(kWordsTooLarge, "package larger than the limit");
    return Open(std::move(package));
}

std::variant<std::unique_ptr<Package>, Error> Package::Open(std::unique_ptr<Package> package) {
    if (package->bytes_.empty())
        return Fail(kWordsEmpty, "zero bytes");
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source =
        zip_source_buffer_create(package->bytes_.data(), package->bytes_.size(), 0, &error);
    if (source)
        package->zip_ = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!package->zip_) {
        const int code = zip_error_code_zip(&error);
        std::string detail = std::string("libzip: ") + zip_error_strerror(&error);
        zip_error_fini(&error);
        if (source)
            zip_source_free(source);
        return Fail(code == ZIP_ER_NOZIP ? kWordsNotZip : kWordsDamagedZip, std::move(detail));
    }
    zip_error_fini(&error);
    const zip_int64_t count = zip_get_num_entries(package->zip_, 0);
    if (count > kMaxEntries)
        return Fail(kWordsDamagedZip, "too many entries: " + std::to_string(count));
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* raw = zip_get_name(package->zip_, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        if (!raw)
            return Fail(kWordsDamagedZip, "an entry without a name");
        std::string name = raw;
        if (UnsafeName(name))
            return Fail(kWordsUnsafeName, "entry name: " + name);
        for (char& c : name)
            if (c == '\\')
                c = '/';
        package->index_.emplace(Lower(name), static_cast<zip_uint64_t>(i));
    }
    return package;
}

Package::~Package() {
    if (zip_)
        zip_discard(zip_);
}

bool Package::Has(const std::string& name) const {
    return index_.count(Lower(name)) > 0;
}

std::variant<std::string, Error> Package::Read(const std::string& name) const {
    const auto found = index_.find(Lower(name));
    if (found == index_.end())
        return Fail(kWordsMissingPart, "no entry " + name);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(zip_, found->second, 0, &stat) != 0)
        return Fail(kWordsDamagedZip, name + ": " + zip_strerror(zip_));
    if ((stat.valid & ZIP_STAT_SIZE) && stat.size > kMaxEntryBytes)
        return Fail(kWordsEntryTooLarge, name + ": declares " + std::to_string(stat.size));
    zip_file_t* file = zip_fopen_index(zip_, found->second, 0);
    if (!file)
        return Fail(kWordsDamagedZip, name + ": " + zip_strerror(zip_));
    std::string data;
    char chunk[1 << 15];
    zip_int64_t got = 0;
    // The declared size may lie: what is inflated is counted as it comes.
    while ((got = zip_fread(file, chunk, sizeof chunk)) > 0) {
        data.append(chunk, static_cast<std::size_t>(got));
        if (data.size() > kMaxEntryBytes || read_ + data.size() > kMaxReadBytes) {
            zip_fclose(file);
            return Fail(kWordsEntryTooLarge, name + ": inflates past the limit");
        }
    }
    if (got < 0) {
        std::string detail = name + ": " + zip_file_strerror(file);
        zip_fclose(file);
        return Fail(kWordsDamagedZip, std::move(detail));
    }
    zip_fclose(file);
    read_ += data.size();
    return data;
}

std::string FolderOf(const std::string& entry) {
    const std::size_t slash = entry.rfind('/');
    return slash == std::string::npos ? std::string() : entry.substr(0, slash + 1);
}

std::string ResolveIn(const std::string& folder, const std::string& ref) {
    std::string joined = !ref.empty() && (ref[0] == '/' || ref[0] == '\\') ? ref : folder + ref;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= joined.size()) {
        std::size_t end = joined.find_first_of("/\\", start);
        if (end == std::string::npos)
            end = joined.size();
        const std::string part = joined.substr(start, end - start);
        if (part == "..") {
            if (parts.empty())
                return {};
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string& part : parts)
        out += (out.empty() ? "" : "/") + part;
    return out;
}

std::string Resolve(const std::string& from, const std::string& ref) {
    return ResolveIn(FolderOf(from), ref);
}

}  // namespace ofd
