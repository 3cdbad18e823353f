#pragma once

#include <cstdint>
#include <string>

namespace kivora::democard {

// A local wall-clock time as a recorder stamps it. No time zone, no daylight saving: the
// generator never looks at the machine's clock or zone, so its output is reproducible.
struct DateTime {
    int year = 2023;
    int month = 1;
    int day = 15;
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend bool operator==(const DateTime&, const DateTime&) = default;
};

// Seconds since 2000-01-01 00:00:00 (proleptic Gregorian calendar).
std::int64_t toSeconds(const DateTime& t);
DateTime fromSeconds(std::int64_t seconds);
DateTime addSeconds(const DateTime& t, std::int64_t seconds);

// "yymmdd", "hhmmss", "yymmddhhmmss" and "YYYY-MM-DD hh:mm:ss".
std::string formatYyMmDd(const DateTime& t);
std::string formatHhMmSs(const DateTime& t);
std::string formatCompact(const DateTime& t);
std::string formatIso(const DateTime& t);

// Parses "yymmdd" (years 2000..2099); false on anything else.
bool parseYyMmDd(const std::string& text, DateTime& out);

} // namespace kivora::democard
