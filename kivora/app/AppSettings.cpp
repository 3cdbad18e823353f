#include "kivora/app/AppSettings.h"

#include "kivora/recording/FileAttributes.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kivora::app {

namespace {
constexpr std::string_view kDisplay = "DISPLAY";

std::filesystem::path settingsPath(const std::filesystem::path& folder)
{
    return folder.empty() ? std::filesystem::path() : folder / AppSettings::kFileName;
}
} // namespace

AppSettings::AppSettings(const std::filesystem::path& startFolder)
    : m_file(settingsPath(startFolder))
{
}

std::string AppSettings::read(std::string_view section, std::string_view key) const
{
    return m_file.read(section, key);
}

bool AppSettings::write(std::string_view section, std::string_view key, std::string_view value) const
{
    if (!m_file.write(section, key, value))
        return false;
    recording::setHidden(m_file.path(), true);
    return true;
}

bool AppSettings::seedIfMissing() const
{
    if (m_file.path().empty() || exists())
        return false;
    write(kDisplay, "INFOCHECK", "31");
    write(kDisplay, "ASPECT", "on");
    write(kDisplay, "VOLUME", "65535");
    return true;
}

bool AppSettings::keepAspect() const
{
    return read(kDisplay, "ASPECT") == "on";
}

bool AppSettings::setKeepAspect(bool keep) const
{
    return write(kDisplay, "ASPECT", keep ? "on" : "off");
}

int AppSettings::rearView() const
{
    const std::string value = read(kDisplay, "REAR");
    return value == "pip" ? 1 : value == "swap" ? 2 : 0;
}

bool AppSettings::setRearView(int mode) const
{
    return write(kDisplay, "REAR", mode == 1 ? "pip" : mode == 2 ? "swap" : "off");
}

int AppSettings::parseVolume(std::string_view text)
{
    if (text.empty())
        return kMaxVolume;
    // Digits beyond the range would overflow; the loudest setting is what such a value means.
    int volume = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        volume = std::min(volume * 10 + (c - '0'), kMaxVolume + 1);
    }
    return std::min(volume, kMaxVolume);
}

int AppSettings::volume() const
{
    return parseVolume(read(kDisplay, "VOLUME"));
}

bool AppSettings::setVolume(int volume) const
{
    return write(kDisplay, "VOLUME", std::to_string(std::clamp(volume, 0, kMaxVolume)));
}

std::optional<double> AppSettings::parseScale(std::string_view text)
{
    // Leading blanks and a trailing remainder are tolerated, as the C library's reader does;
    // from_chars never looks at the locale, unlike strtod.
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    if (text.starts_with('+'))
        text.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || !std::isfinite(value) || value <= 0)
        return std::nullopt;
    return value;
}

std::string AppSettings::formatScale(double factor)
{
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, factor, std::chars_format::fixed, 6);
    return ec == std::errc() ? std::string(buffer, end) : std::string("1.000000");
}

std::optional<double> AppSettings::scaleX() const
{
    return parseScale(read(kDisplay, "SCALEX"));
}

std::optional<double> AppSettings::scaleY() const
{
    return parseScale(read(kDisplay, "SCALEY"));
}

bool AppSettings::setScale(double scaleX, double scaleY) const
{
    const bool x = write(kDisplay, "SCALEX", formatScale(scaleX));
    const bool y = write(kDisplay, "SCALEY", formatScale(scaleY));
    return x && y;
}

} // namespace kivora::app
