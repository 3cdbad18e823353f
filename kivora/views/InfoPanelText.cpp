#include "kivora/views/InfoPanelText.h"

#include "kivora/ui/UiTextQt.h"

#include <cmath>

namespace kivora::views {

namespace {

constexpr std::int64_t kUnitsPerSecond = 10'000'000;
constexpr std::int64_t kUnitsPerDay = 86'400 * kUnitsPerSecond;
// Days from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kEpochDays1601 = 134'774;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146'097 + static_cast<std::int64_t>(doe) - 719'468;
}

bool isLeap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m)
{
    static constexpr int days[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

} // namespace

std::optional<std::int64_t> toFileTime(const recording::SystemTime& t)
{
    if (t.year < 1601 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > daysInMonth(t.year, t.month)
        || t.hour > 23 || t.minute > 59 || t.second > 59 || t.milliseconds > 999)
        return std::nullopt;
    const std::int64_t days = daysFromCivil(t.year, t.month, t.day) + kEpochDays1601;
    const std::int64_t seconds = days * 86'400 + t.hour * 3600 + t.minute * 60 + t.second;
    return seconds * kUnitsPerSecond + std::int64_t { t.milliseconds } * 10'000;
}

recording::SystemTime fromFileTime(std::int64_t ft)
{
    recording::SystemTime t;
    if (ft < 0)
        return t;
    const std::int64_t z0 = ft / kUnitsPerDay - kEpochDays1601; // days since 1970
    std::int64_t rest = ft % kUnitsPerDay;
    // Civil date from days (inverse of daysFromCivil).
    const std::int64_t z = z0 + 719'468;
    const std::int64_t era = (z >= 0 ? z : z - 146'096) / 146'097;
    const auto doe = static_cast<unsigned>(z - era * 146'097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36'524 - doe / 146'096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
    t.year = static_cast<std::uint16_t>(y);
    t.month = static_cast<std::uint16_t>(m);
    t.day = static_cast<std::uint16_t>(d);
    t.dayOfWeek = static_cast<std::uint16_t>(((z0 % 7) + 11) % 7); // 1970-01-01 was a Thursday
    t.hour = static_cast<std::uint16_t>(rest / (3600 * kUnitsPerSecond));
    rest %= 3600 * kUnitsPerSecond;
    t.minute = static_cast<std::uint16_t>(rest / (60 * kUnitsPerSecond));
    rest %= 60 * kUnitsPerSecond;
    t.second = static_cast<std::uint16_t>(rest / kUnitsPerSecond);
    t.milliseconds = static_cast<std::uint16_t>(rest % kUnitsPerSecond / 10'000);
    return t;
}

std::optional<QString> frameDateTimeText(
    const recording::SystemTime& start, std::int32_t position, float msPerFrame, bool timeLapse)
{
    if (position < 0)
        return std::nullopt;
    const std::optional<std::int64_t> t0 = toFileTime(start);
    if (!t0)
        return std::nullopt;
    // Single precision, as the recorder's own players count: 300 frames of 33.333 ms are 9.9999 s.
    const float factor = timeLapse ? 15.0f : 1.0f;
    const float offset = static_cast<float>(position) * msPerFrame * 10000.0f * factor;
    if (!std::isfinite(offset))
        return std::nullopt;
    const std::int64_t t = *t0 + static_cast<std::int64_t>(offset);
    if (t <= 0)
        return std::nullopt;
    const recording::SystemTime s = fromFileTime(t);
    if (s.year == 0)
        return std::nullopt;
    const int year = s.year >= 2050 ? s.year - 35 : s.year;
    return QString::asprintf(
        "%02d/%02d/%02d %02d:%02d:%02d", year, s.month, s.day, s.hour, s.minute, s.second);
}

std::optional<QString> speedText(double speedKmh, bool gpsValid)
{
    if (!gpsValid || !(speedKmh >= 0.0 && speedKmh <= 999.0))
        return std::nullopt;
    return QString::asprintf("%.0f ", speedKmh);
}

std::optional<QString> voltageText(std::int32_t tenths)
{
    if (tenths == -1)
        return std::nullopt;
    return QString::asprintf("%.1f", tenths / 10.0);
}

std::optional<QString> accelerationText(double g)
{
    if (!(g > -5.0))
        return std::nullopt;
    // Values arrive as thousandths divided by 1000, so 0.29 × 100 is 28.999…; the nudge keeps
    // such values from losing a hundredth before the cut.
    const double hundredths = std::trunc(g * 100.0 + std::copysign(1e-7, g));
    return QString::asprintf("%.2fG", hundredths / 100.0);
}

QString rateText(int rateCode)
{
    switch (rateCode) {
    case 1:
        return ui::uiQText(57);
    case 2:
        return ui::uiQText(58);
    case 4:
        return ui::uiQText(59);
    case -2:
        return ui::uiQText(60);
    case -4:
        return ui::uiQText(61);
    default:
        return {};
    }
}

int qualityBadgeId(int qualityCode)
{
    return qualityCode >= 1 && qualityCode <= 10 ? 330 + qualityCode : 0;
}

int statusBadgeId(int statusLetter)
{
    if (statusLetter == 'R')
        return 195;
    if (statusLetter == 'r')
        return 358;
    return 359;
}

} // namespace kivora::views
