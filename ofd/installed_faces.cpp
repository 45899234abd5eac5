// Which installed face stands in for a named font, and the faces kept open.
#include "installed_faces.h"

#include <fontconfig/fontconfig.h>
#include <hb.h>

#include <algorithm>
#include <cctype>
#include <memory>

namespace ofd {
namespace {

// Debian's Chinese faces (fonts-arphic-uming, fonts-arphic-ukai); face 0 of
// each collection is the one drawn for simplified Chinese.
constexpr const char* kSongFace = "/usr/share/fonts/truetype/arphic/uming.ttc";
constexpr const char* kKaiFace = "/usr/share/fonts/truetype/arphic/ukai.ttc";

// Latin spellings of Chinese families, lower case without separators.
constexpr const char* kChineseFamilies[] = {
    "simsun",  "nsimsun",  "simhei",    "fangsong",   "microsoftyahei", "dengxian", "lisu",
    "youyuan", "stsong",   "stheiti",   "stfangsong", "stzhongsong",    "songti",   "heiti",
    "mingliu", "pmingliu", "adobesong", "adobeheiti", "adobefangsong",
};

std::string Folded(const std::string& name) {
    std::string out;
    for (char c : name)
        if (std::isalnum(static_cast<unsigned char>(c)))
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

struct Faces {
    std::mutex mutex;
    // Every file asked for, by "path#index"; null when it cannot stand in.
    std::map<std::string, std::unique_ptr<InstalledFace>> byFile;
    std::map<std::string, std::vector<const InstalledFace*>> byName;
};

Faces& TheFaces() {
    static Faces faces;
    return faces;
}

// Only TrueType outlines: they embed as they are, with glyph numbers for
// codes. A face that cannot be opened or has none is remembered as null.
const InstalledFace* Open(Faces& faces, const std::string& path, int index) {
    auto& slot = faces.byFile[path + "#" + std::to_string(index)];
    if (slot)
        return slot.get();
    // Mapped, not read: the pages share the system's cache of the file and
    // only what the subsets need is ever touched.
    hb_blob_t* blob = hb_blob_create_from_file_or_fail(path.c_str());
    if (!blob)
        return nullptr;
    hb_face_t* face = hb_face_create(blob, static_cast<unsigned>(index));
    hb_blob_destroy(blob);
    hb_blob_t* glyf = hb_face_reference_table(face, HB_TAG('g', 'l', 'y', 'f'));
    const bool outlines = hb_blob_get_length(glyf) > 0 && hb_face_get_glyph_count(face) > 1;
    hb_blob_destroy(glyf);
    if (!outlines) {
        hb_face_destroy(face);
        return nullptr;
    }
    slot = std::make_unique<InstalledFace>(path, face);
    return slot.get();
}

bool HasFamily(FcPattern* font, const std::string& family) {
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &name) == FcResultMatch; ++i)
        if (Folded(reinterpret_cast<const char*>(name)) == Folded(family))
            return true;
    return false;
}

// A TrueType face of `family` itself, or with `lang` one for that language.
// Another Latin family in place of the one named would draw the text unlike
// the invoice (a sans face for Courier); the Song face's own Latin letters
// are what such text was always drawn with.
bool Fits(FcPattern* font, const std::string& family, const char* lang) {
    FcChar8* format = nullptr;
    FcLangSet* langs = nullptr;
    if (FcPatternGetString(font, FC_FONTFORMAT, 0, &format) != FcResultMatch ||
        std::string(reinterpret_cast<const char*>(format)) != "TrueType")
        return false;
    if (!lang)
        return HasFamily(font, family);
    return FcPatternGetLangSet(font, FC_LANG, 0, &langs) == FcResultMatch &&
           FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>(lang)) == FcLangEqual;
}

// Adds the first face fontconfig finds that fits, if any.
void AddMatch(Faces& faces, std::vector<const InstalledFace*>& out, const std::string& family,
              const char* lang) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    if (lang)
        FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(lang));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcFontSet* sorted = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
    for (int i = 0; sorted && i < sorted->nfont; ++i) {
        FcPattern* font = sorted->fonts[i];
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch ||
            !Fits(font, family, lang))
            continue;
        FcPatternGetInteger(font, FC_INDEX, 0, &index);
        if (const InstalledFace* face = Open(faces, reinterpret_cast<const char*>(file), index)) {
            out.push_back(face);
            break;
        }
    }
    if (sorted)
        FcFontSetDestroy(sorted);
    FcPatternDestroy(pattern);
}

std::vector<const InstalledFace*> Find(Faces& faces, FaceKind kind, const std::string& name) {
    std::vector<const InstalledFace*> out;
    if (kind == FaceKind::kKai) {
        if (const InstalledFace* face = Open(faces, kKaiFace, 0))
            out.push_back(face);
    } else if (kind == FaceKind::kLatin) {
        AddMatch(faces, out, name, nullptr);
    }
    if (const InstalledFace* face = Open(faces, kSongFace, 0))
        out.push_back(face);
    else
        AddMatch(faces, out, "serif", "zh-cn");
    std::vector<const InstalledFace*> unique;
    for (const InstalledFace* face : out)
        if (std::find(unique.begin(), unique.end(), face) == unique.end())
            unique.push_back(face);
    return unique;
}

}  // namespace

InstalledFace::InstalledFace(std::string path_, hb_face_t* face_)
    : path(std::move(path_)), face(face_), font(hb_font_create(face_)) {}

InstalledFace::~InstalledFace() {
    hb_font_destroy(font);
    hb_face_destroy(face);
}

FaceKind KindOfFont(const std::string& ofdName) {
    const std::string folded = Folded(ofdName);
    if (ofdName.find("楷") != std::string::npos || folded.find("kai") != std::string::npos)
        return FaceKind::kKai;
    if (folded.empty() || std::any_of(ofdName.begin(), ofdName.end(),
                                      [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        return FaceKind::kSong;
    for (const char* family : kChineseFamilies)
        if (folded.starts_with(family))
            return FaceKind::kSong;
    return FaceKind::kLatin;
}

std::vector<const InstalledFace*> FacesFor(const std::string& ofdName) {
    Faces& faces = TheFaces();
    const std::lock_guard lock(faces.mutex);
    const FaceKind kind = KindOfFont(ofdName);
    // Chinese names of a kind share their faces; Latin ones are matched by name.
    const std::string key = kind == FaceKind::kLatin ? "latin:" + ofdName
                            : kind == FaceKind::kKai ? "kai"
                                                     : "song";
    const auto found = faces.byName.find(key);
    if (found != faces.byName.end())
        return found->second;
    return faces.byName[key] = Find(faces, kind, ofdName);
}

}  // namespace ofd
