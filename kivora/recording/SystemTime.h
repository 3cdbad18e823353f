#pragma once

#include <cstdint>

namespace kivora::recording {

// A broken-down local date and time as recordings and telemetry carry it
// (eight 16-bit fields; all zero means "no time").
struct SystemTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;     // 1..12
    std::uint16_t dayOfWeek = 0; // 0 = Sunday
    std::uint16_t day = 0;       // 1..31
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;

    friend bool operator==(const SystemTime&, const SystemTime&) = default;
};

} // namespace kivora::recording
