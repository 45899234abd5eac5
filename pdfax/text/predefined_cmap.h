// The predefined CMaps that Chinese, Japanese and Korean fonts name as their
// encoding (GBK-EUC-H, UniGB-UCS2-H, ...) and the Unicode text of the CIDs
// of their character collections. Both are read from the CMap data files
// Debian ships in poppler-data, each file once per process, and kept.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pdfax {

class PredefinedCMap {
public:
    // Finds the CMap a "usecmap" names; null when there is none.
    using Finder = std::function<const PredefinedCMap*(const std::string& name)>;

    // Reads a CMap file's text. The CMap a "usecmap" names is taken whole
    // where it stands; what follows maps codes again or adds to it.
    PredefinedCMap(std::string_view text, const Finder& find);

    // How many bytes the code that starts at `at` takes: the length of the
    // code space range it falls in; 1 when it falls in none, so a stray
    // byte costs one byte and no more.
    std::size_t CodeLength(std::string_view bytes, std::size_t at) const;
    // The CID of a code `length` bytes long; 0 (no glyph) when unmapped.
    std::uint32_t CidOf(std::uint32_t code, std::size_t length) const;

    // Written downwards (WMode 1): each glyph advances down the page.
    bool vertical() const { return vertical_; }

private:
    struct CodeSpace {
        std::size_t length = 0;
        std::array<unsigned char, 4> low{}, high{};
    };
    void Map(std::uint32_t code, std::size_t length, std::uint32_t cid);

    bool vertical_ = false;
    std::vector<CodeSpace> spaces_;
    std::vector<std::uint32_t> oneByte_, twoBytes_;  // CID by code
    std::unordered_map<std::uint64_t, std::uint32_t>
        longer_;  // 3- and 4-byte codes, by length and code
};

// A predefined CMap and the character collection it belongs to.
struct FoundCMap {
    std::shared_ptr<const PredefinedCMap> cmap;
    std::string collection;  // "Adobe-GB1"
};

// The CMap of that name (as a font's /Encoding gives it, without the
// slash). Nothing when the name is not one of the predefined CMaps, and
// nothing when the data are not installed: that is said once on standard
// error, which the renderer's log keeps, and the text goes unread.
FoundCMap FindPredefinedCMap(const std::string& name);

// The character each CID of `collection` ("Adobe-GB1") stands for, by CID
// (0 where none); null when the collection's data are not installed.
using CollectionCharacters = std::vector<char32_t>;
std::shared_ptr<const CollectionCharacters> FindCollection(const std::string& collection);

// The folder that holds the data's cMap/ and cidToUnicode/ folders: set at
// build time (Debian's /usr/share/poppler), or VELLUMARK_ENCODING_DATA.
// Setting another forgets everything read before (what a font holds
// stays with it), and an empty one goes back to the usual; for tests.
void SetEncodingDataFolder(const std::string& folder);

}  // namespace pdfax
