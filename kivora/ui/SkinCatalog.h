#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kivora::ui {

// One row of the skin catalogue (kivora/res/skin/skin-ids.tsv): what an image id stands for and the
// design size its artwork must have. Plain C++ so the build-time generator can share it.
enum class SkinKind { Bitmap, Png, Icon, Cursor, Mask };
enum class SkinKey { None, Black, White };

struct SkinEntry {
    int id = 0;
    SkinKind kind = SkinKind::Bitmap;
    int width = 0;
    int height = 0;
    int frames = 1;
    SkinKey background = SkinKey::None;
    std::string role;

    int frameWidth() const { return frames > 0 ? width / frames : width; }
};

// Parses the catalogue text: '#' lines are comments, the first other line is the header, then
// one tab-separated row per id. Returns the rows in file order; on a malformed row returns an
// empty list and, when `error` is given, a message naming the line.
std::vector<SkinEntry> parseSkinCatalog(std::string_view text, std::string* error = nullptr);

} // namespace kivora::ui
