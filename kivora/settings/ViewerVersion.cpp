#include "kivora/settings/ViewerVersion.h"

namespace kivora::settings {

std::string versionText(std::string_view buildDate)
{
    const auto end = buildDate.find_last_not_of(' ');
    std::string_view year;
    if (end != std::string_view::npos) {
        const auto space = buildDate.find_last_of(' ', end);
        const auto start = space == std::string_view::npos ? 0 : space + 1;
        year = buildDate.substr(start, end + 1 - start);
    }
    std::string text = "version ";
    text += kViewerVersion;
    text += "\nCopyright (C) ";
    text += year;
    text += " The kivora developers";
    return text;
}

} // namespace kivora::settings
