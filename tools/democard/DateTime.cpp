#include "tools/democard/DateTime.h"

#include <cstdio>

namespace kivora::democard {

namespace {
// Days from 1970-01-01 for a civil date (H. Hinnant's algorithm).
std::int64_t daysFromCivil(std::int64_t y, int m, int d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(std::int64_t z, int& y, int& m, int& d)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

const std::int64_t kEpoch2000 = daysFromCivil(2000, 1, 1);
} // namespace

std::int64_t toSeconds(const DateTime& t)
{
    const std::int64_t days = daysFromCivil(t.year, t.month, t.day) - kEpoch2000;
    return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

DateTime fromSeconds(std::int64_t seconds)
{
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    DateTime t;
    civilFromDays(days + kEpoch2000, t.year, t.month, t.day);
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

DateTime addSeconds(const DateTime& t, std::int64_t seconds)
{
    return fromSeconds(toSeconds(t) + seconds);
}

std::string formatYyMmDd(const DateTime& t)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d%02d%02d", t.year % 100, t.month, t.day);
    return buf;
}

std::string formatHhMmSs(const DateTime& t)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d%02d%02d", t.hour, t.minute, t.second);
    return buf;
}

std::string formatCompact(const DateTime& t)
{
    return formatYyMmDd(t) + formatHhMmSs(t);
}

std::string formatIso(const DateTime& t)
{
    char buf[32];
    std::snprintf(
        buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return buf;
}

bool parseYyMmDd(const std::string& text, DateTime& out)
{
    if (text.size() != 6)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    const int yy = (text[0] - '0') * 10 + (text[1] - '0');
    const int mm = (text[2] - '0') * 10 + (text[3] - '0');
    const int dd = (text[4] - '0') * 10 + (text[5] - '0');
    if (mm < 1 || mm > 12 || dd < 1 || dd > 31)
        return false;
    DateTime t { 2000 + yy, mm, dd, 0, 0, 0 };
    // Reject days past the month's end rather than rolling them over.
    if (fromSeconds(toSeconds(t)).day != dd)
        return false;
    out = t;
    return true;
}

} // namespace kivora::democard
