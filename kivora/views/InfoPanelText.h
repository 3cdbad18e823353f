#pragma once

#include "kivora/recording/SystemTime.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace kivora::views {

// The texts of the information panel, worked out without pixels. nullopt means "no value": the
// panel then draws the value's placeholder picture.

// Date and time of a frame: the recording's start plus position × msPerFrame (fifteen times as
// much real time per frame in a time-lapse recording), as "YYYY/MM/DD hh:mm:ss". Recorders whose
// clock runs on to 2050 or later are 35 years ahead. No value for a negative position or an
// invalid start.
std::optional<QString> frameDateTimeText(
    const recording::SystemTime& start, std::int32_t position, float msPerFrame, bool timeLapse);

// A date-time as 100 ns units since 1601-01-01, and back. nullopt for an invalid date.
std::optional<std::int64_t> toFileTime(const recording::SystemTime& t);
recording::SystemTime fromFileTime(std::int64_t fileTime);

// "45 " for a valid fix with 0 ≤ speed ≤ 999 km/h (the unit is drawn separately).
std::optional<QString> speedText(double speedKmh, bool gpsValid);
// "12.5" from tenths of a volt; -1 is no value.
std::optional<QString> voltageText(std::int32_t tenths);
// "-0.12G": the value cut (not rounded) to hundredths; -5.0 and below is no value.
std::optional<QString> accelerationText(double g);
// The playback-rate text of a rate code; empty for any other code.
QString rateText(int rateCode);

// Skin ids of the panel's badges.
int qualityBadgeId(int qualityCode); // 0 for none (code 0 or out of range)
int statusBadgeId(int statusLetter);

} // namespace kivora::views
