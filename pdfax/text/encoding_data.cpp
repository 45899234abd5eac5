// Where the predefined CMaps and the CID tables come from: the data files
// of Debian's poppler-data, each read on first use and kept for the life of
// the process (a renderer reads a few hundred pages with them).
#include "text/predefined_cmap.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>

#ifndef VELLUMARK_ENCODING_DATA_DIR
#define VELLUMARK_ENCODING_DATA_DIR "/usr/share/poppler"
#endif

namespace fs = std::filesystem;

namespace pdfax {
namespace {

// Larger than any CMap or CID table the data hold: a larger file is none.
constexpr std::uintmax_t kMostDataBytes = 8 << 20;

struct LoadedCMap {
    std::shared_ptr<const PredefinedCMap> cmap;  // null: not found (or being read)
    std::string collection;
};

struct EncodingData {
    // Recursive: reading a CMap reads the one its "usecmap" names.
    std::recursive_mutex mutex;
    std::string folder;
    bool folderChosen = false;
    bool toldMissing = false;
    std::map<std::string, LoadedCMap> cmaps;
    std::map<std::string, std::shared_ptr<const CollectionCharacters>> collections;
};

EncodingData& Data() {
    static EncodingData data;
    return data;
}

const std::string& Folder(EncodingData& data) {
    if (!data.folderChosen) {
        const char* chosen = std::getenv("VELLUMARK_ENCODING_DATA");
        data.folder = chosen && *chosen ? chosen : VELLUMARK_ENCODING_DATA_DIR;
        data.folderChosen = true;
    }
    return data.folder;
}

void TellMissing(EncodingData& data, const fs::path& where) {
    if (data.toldMissing)
        return;
    data.toldMissing = true;
    std::fprintf(stderr,
                 "pdfax: no CMap data in %s (Debian's poppler-data): text in Chinese, Japanese "
                 "and Korean fonts without their own ToUnicode map is left unread\n",
                 where.c_str());
}

// A name a font gives is data from the file: only a plain CMap name may
// become a path.
bool IsCMapName(const std::string& name) {
    return !name.empty() && name.size() < 64 && name[0] != '-' &&
           name.find_first_not_of(
               "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-") ==
               std::string::npos;
}

bool ReadFile(const fs::path& path, std::string& text) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || size > kMostDataBytes)
        return false;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return static_cast<bool>(in);
}

const LoadedCMap* Load(EncodingData& data, const std::string& name) {
    if (const auto found = data.cmaps.find(name); found != data.cmaps.end())
        return &found->second;
    LoadedCMap& loaded = data.cmaps[name];  // null while read: a "usecmap" loop ends here
    if (!IsCMapName(name))
        return &loaded;
    const fs::path root = fs::path(Folder(data)) / "cMap";
    std::error_code error;
    if (!fs::is_directory(root, error)) {
        TellMissing(data, root);
        return &loaded;
    }
    // Each collection's CMaps lie in a folder named after it.
    for (const fs::directory_entry& entry : fs::directory_iterator(root, error)) {
        std::string text;
        if (!ReadFile(entry.path() / name, text))
            continue;
        auto cmap = std::make_shared<const PredefinedCMap>(
            text, [&](const std::string& base) { return Load(data, base)->cmap.get(); });
        LoadedCMap& slot = data.cmaps[name];  // still there: map nodes stay put
        slot.cmap = std::move(cmap);
        slot.collection = entry.path().filename().string();
        return &slot;
    }
    return &loaded;
}

std::shared_ptr<const CollectionCharacters> ReadCollection(EncodingData& data,
                                                           const std::string& name) {
    const fs::path path = fs::path(Folder(data)) / "cidToUnicode" / name;
    std::string text;
    if (!IsCMapName(name) || !ReadFile(path, text)) {
        TellMissing(data, path);
        return nullptr;
    }
    // One line for each CID from 0: the character's hexadecimal number.
    auto characters = std::make_shared<CollectionCharacters>();
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        characters->push_back(static_cast<char32_t>(std::strtoul(line.c_str(), nullptr, 16)));
    return characters;
}

}  // namespace

FoundCMap FindPredefinedCMap(const std::string& name) {
    EncodingData& data = Data();
    std::lock_guard lock(data.mutex);
    const LoadedCMap* loaded = Load(data, name);
    return {loaded->cmap, loaded->collection};
}

std::shared_ptr<const CollectionCharacters> FindCollection(const std::string& collection) {
    EncodingData& data = Data();
    std::lock_guard lock(data.mutex);
    const auto found = data.collections.find(collection);
    if (found != data.collections.end())
        return found->second;
    return data.collections[collection] = ReadCollection(data, collection);
}

void SetEncodingDataFolder(const std::string& folder) {
    EncodingData& data = Data();
    std::lock_guard lock(data.mutex);
    data.folder = folder;
    data.folderChosen = !folder.empty();
    data.toldMissing = false;
    data.cmaps.clear();
    data.collections.clear();
}

}  // namespace pdfax
