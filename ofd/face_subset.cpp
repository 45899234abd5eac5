// Subsets of installed faces, made with HarfBuzz's subsetter.
#include <hb-subset.h>
#include <hb.h>

#include <algorithm>
#include <cmath>

#include "installed_faces.h"

namespace ofd {
namespace {

std::size_t Covered(const InstalledFace& face, const std::set<char32_t>& chars) {
    std::size_t count = 0;
    hb_codepoint_t glyph = 0;
    for (char32_t ch : chars)
        count += hb_font_get_nominal_glyph(face.font, ch, &glyph) ? 1 : 0;
    return count;
}

// Faces in the order to try them: those with the most of `chars` first,
// the better fit first among equals.
std::vector<const InstalledFace*> ByCoverage(const std::vector<const InstalledFace*>& faces,
                                             const std::set<char32_t>& chars) {
    std::vector<std::pair<std::size_t, const InstalledFace*>> ranked;
    for (const InstalledFace* face : faces)
        ranked.emplace_back(Covered(*face, chars), face);
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<const InstalledFace*> out;
    for (const auto& [count, face] : ranked)
        out.push_back(face);
    return out;
}

// Tables a PDF reader never uses: shaping is done, the page places glyphs.
void DropLayoutTables(hb_subset_input_t* input) {
    hb_set_t* drop = hb_subset_input_set(input, HB_SUBSET_SETS_DROP_TABLE_TAG);
    for (hb_tag_t tag :
         {HB_TAG('G', 'S', 'U', 'B'), HB_TAG('G', 'P', 'O', 'S'), HB_TAG('G', 'D', 'E', 'F'),
          HB_TAG('B', 'A', 'S', 'E'), HB_TAG('J', 'S', 'T', 'F'), HB_TAG('D', 'S', 'I', 'G')})
        hb_set_add(drop, tag);
}

std::optional<FaceSubset> Subset(const InstalledFace& face, const std::set<char32_t>& chars) {
    const std::lock_guard lock(face.subsetting);
    hb_subset_input_t* input = hb_subset_input_create_or_fail();
    if (!input)
        return std::nullopt;
    hb_set_t* unicodes = hb_subset_input_unicode_set(input);
    for (char32_t ch : chars)
        hb_set_add(unicodes, ch);
    DropLayoutTables(input);
    hb_subset_plan_t* plan = hb_subset_plan_create_or_fail(face.face, input);
    hb_subset_input_destroy(input);
    if (!plan)
        return std::nullopt;
    FaceSubset subset;
    const hb_map_t* newGlyph = hb_subset_plan_old_to_new_glyph_mapping(plan);
    const double unitsPerEm = std::max(1u, hb_face_get_upem(face.face));
    for (char32_t ch : chars) {
        // A character the face lacks draws nothing but keeps its place in
        // the text, as wide as the page's own spacing assumes.
        FaceSubset::Glyph& glyph = subset.glyphs[ch];
        glyph.width = ch >= 0x2E80 ? 1000 : 500;
        hb_codepoint_t old = 0;
        if (!hb_font_get_nominal_glyph(face.font, ch, &old))
            continue;
        const hb_codepoint_t mapped = hb_map_get(newGlyph, old);
        glyph.id = mapped == HB_MAP_VALUE_INVALID ? 0 : mapped;
        glyph.width = static_cast<int>(
            std::lround(hb_font_get_glyph_h_advance(face.font, old) * 1000 / unitsPerEm));
    }
    hb_face_t* result = hb_subset_plan_execute_or_fail(plan);
    hb_subset_plan_destroy(plan);
    if (!result)
        return std::nullopt;
    hb_blob_t* blob = hb_face_reference_blob(result);
    unsigned length = 0;
    const char* data = hb_blob_get_data(blob, &length);
    subset.bytes.assign(data ? data : "", data ? length : 0);
    hb_blob_destroy(blob);
    hb_face_destroy(result);
    if (subset.bytes.empty())
        return std::nullopt;
    return subset;
}

}  // namespace

std::optional<FaceSubset> SubsetOfFaces(const std::vector<const InstalledFace*>& faces,
                                        const std::set<char32_t>& chars) {
    for (const InstalledFace* face : ByCoverage(faces, chars))
        if (auto subset = Subset(*face, chars))
            return subset;
    return std::nullopt;
}

}  // namespace ofd
