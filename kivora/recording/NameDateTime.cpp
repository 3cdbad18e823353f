#include "kivora/recording/RecordingName.h"

#include "kivora/recording/NameChars.h"

#include <ctime>
#include <optional>

namespace kivora::recording {

namespace {

// The text from start up to the next '-' (or the end); empty when start lies past the end.
std::string_view fieldFrom(std::string_view name, std::size_t start)
{
    if (start >= name.size())
        return {};
    const std::string_view rest = name.substr(start);
    return rest.substr(0, rest.find('-'));
}

// Three two-digit numbers from the start of a field such as "230115".
std::optional<std::array<int, 3>> twoDigitTriple(std::string_view field)
{
    if (field.size() < 6)
        return std::nullopt;
    std::array<int, 3> values {};
    for (std::size_t i = 0; i < 3; ++i) {
        const char high = field[2 * i];
        const char low = field[2 * i + 1];
        if (high < '0' || high > '9' || low < '0' || low > '9')
            return std::nullopt;
        values[i] = (high - '0') * 10 + (low - '0');
    }
    return values;
}

SystemTime fromLocal(std::time_t time)
{
    std::tm local {};
    if (!::localtime_r(&time, &local))
        return {};
    SystemTime result;
    result.year = static_cast<std::uint16_t>(local.tm_year + 1900);
    result.month = static_cast<std::uint16_t>(local.tm_mon + 1);
    result.dayOfWeek = static_cast<std::uint16_t>(local.tm_wday);
    result.day = static_cast<std::uint16_t>(local.tm_mday);
    result.hour = static_cast<std::uint16_t>(local.tm_hour);
    result.minute = static_cast<std::uint16_t>(local.tm_min);
    result.second = static_cast<std::uint16_t>(local.tm_sec);
    return result;
}

} // namespace

SystemTime NameDateTime(const std::filesystem::path& path)
{
    const std::string_view name = detail::lastComponent(path.native());
    const auto date = twoDigitTriple(fieldFrom(name, 5));
    const auto time = twoDigitTriple(fieldFrom(name, 12));
    if (!date || !time)
        return fromLocal(0);

    // The round trip through calendar time normalises impossible dates (230229 -> 1 March).
    std::tm local {};
    local.tm_year = 100 + (*date)[0];
    local.tm_mon = (*date)[1] - 1;
    local.tm_mday = (*date)[2];
    local.tm_hour = (*time)[0];
    local.tm_min = (*time)[1];
    local.tm_sec = (*time)[2];
    local.tm_isdst = -1;
    const std::time_t calendar = std::mktime(&local);
    return fromLocal(calendar == static_cast<std::time_t>(-1) ? 0 : calendar);
}

} // namespace kivora::recording
