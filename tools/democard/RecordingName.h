#pragma once

#include "tools/democard/DateTime.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kivora::democard {

// What made the recorder write a recording; each maps to the first three letters of its name.
enum class Trigger {
    Continuous, // "A__"
    Shock, // "AG_"
    Manual, // "AM_"
    SpeedCamera, // "A_O"
    Radar, // "A_R"
    TimeLapse, // "T__"
    Parking, // "P__"
    ParkingShock, // "PG_"
    ParkingTimeLapse // "P_T"
};

std::string_view triggerPrefix(Trigger t);
std::string_view triggerName(Trigger t); // "continuous", "shock", ... (manifest and options)
bool triggerFromName(std::string_view name, Trigger& out);
bool isParking(Trigger t);
bool isTimeLapse(Trigger t);

// "AG_S-230115-083000-000123M.MOV"; camera is 'M', 'S' or 'D' (data files end in ".ADA").
std::string recordingName(
    Trigger t, bool seriesStart, const DateTime& start, std::uint32_t fileNumber, char camera);

} // namespace kivora::democard
