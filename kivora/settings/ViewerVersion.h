#pragma once

#include <string>
#include <string_view>

namespace kivora::settings {

// The program's version as the settings window shows it and the update check compares it.
inline constexpr std::string_view kViewerVersion = "2.0.1.0";

// "version 2.0.1.0", a line end, and the rights notice with the year of `buildDate` (the
// compiler's "Mmm dd yyyy"; the year is its last space-separated word).
std::string versionText(std::string_view buildDate = __DATE__);

} // namespace kivora::settings
