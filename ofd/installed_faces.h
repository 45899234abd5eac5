// Faces installed on this machine that stand in for a font an OFD only
// names, and subsets of them cut to the characters a page uses.
//
// The page's PDF embeds such a subset rather than leaving the font to the
// renderer: PDFium reads its substitute Chinese face (21 MB) whole for every
// font it has to substitute, on every page, and keeps nothing between
// documents. Here each face is opened once per process, mapped rather than
// read, and a subset of a few hundred glyphs costs well under a millisecond.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct hb_face_t;
struct hb_font_t;

namespace ofd {

// A face kept open for the rest of the process and shared by every page.
struct InstalledFace {
    InstalledFace(std::string path, hb_face_t* face);
    ~InstalledFace();
    InstalledFace(const InstalledFace&) = delete;
    InstalledFace& operator=(const InstalledFace&) = delete;

    std::string path;
    hb_face_t* face = nullptr;
    hb_font_t* font = nullptr;      // at the face's own units
    mutable std::mutex subsetting;  // one subset of a face at a time
};

// What kind of face fits an OFD font name.
enum class FaceKind { kSong, kKai, kLatin };
FaceKind KindOfFont(const std::string& ofdName);

// The installed TrueType faces that may stand in for font `ofdName`, best
// fit first: a Kai face for Kai names, a Latin face matched by name for Latin
// names, and a Song (Ming) face for all the others and after each of those.
// Empty when none is installed. Safe to call from any thread.
std::vector<const InstalledFace*> FacesFor(const std::string& ofdName);

struct FaceSubset {
    struct Glyph {
        unsigned id = 0;  // in the subset; 0 (nothing drawn) when the face lacks it
        int width = 0;    // advance in thousandths of the font size
    };
    std::string bytes;  // a TrueType font of just the glyphs asked for
    std::map<char32_t, Glyph> glyphs;
};

// The first of `faces` that has every one of `chars` (else the one that has
// most), cut down to those characters; nullopt when `faces` is empty or the
// subset cannot be made.
std::optional<FaceSubset> SubsetOfFaces(const std::vector<const InstalledFace*>& faces,
                                        const std::set<char32_t>& chars);

}  // namespace ofd
