#pragma once

#include <string_view>

namespace kivora::ui {

// Number of slots in each language column; slots 0..175 hold texts, the rest are empty.
inline constexpr int kUiTextSlots = 260;
inline constexpr int kUiTextColumns = 2;

// The user-interface text of a slot in UTF-8, for language column 0 or 1 (both hold the same
// Japanese texts). Unused slots, and slots or columns out of range, give an empty view.
// The views point into static storage and stay valid for the life of the program.
std::string_view UiText(int slot, int column = 0);

} // namespace kivora::ui
