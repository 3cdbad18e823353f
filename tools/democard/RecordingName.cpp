#include "tools/democard/RecordingName.h"

#include <array>
#include <cstdio>

namespace kivora::democard {

namespace {
struct TriggerInfo {
    Trigger trigger;
    std::string_view prefix;
    std::string_view name;
};

constexpr std::array<TriggerInfo, 9> kTriggers { {
    { Trigger::Continuous, "A__", "continuous" },
    { Trigger::Shock, "AG_", "shock" },
    { Trigger::Manual, "AM_", "manual" },
    { Trigger::SpeedCamera, "A_O", "speed-camera" },
    { Trigger::Radar, "A_R", "radar" },
    { Trigger::TimeLapse, "T__", "time-lapse" },
    { Trigger::Parking, "P__", "parking" },
    { Trigger::ParkingShock, "PG_", "parking-shock" },
    { Trigger::ParkingTimeLapse, "P_T", "parking-time-lapse" },
} };

const TriggerInfo& info(Trigger t)
{
    return kTriggers[static_cast<std::size_t>(t)];
}
} // namespace

std::string_view triggerPrefix(Trigger t)
{
    return info(t).prefix;
}
std::string_view triggerName(Trigger t)
{
    return info(t).name;
}

bool triggerFromName(std::string_view name, Trigger& out)
{
    for (const TriggerInfo& i : kTriggers) {
        if (i.name == name) {
            out = i.trigger;
            return true;
        }
    }
    return false;
}

bool isParking(Trigger t)
{
    return t == Trigger::Parking || t == Trigger::ParkingShock || t == Trigger::ParkingTimeLapse;
}

bool isTimeLapse(Trigger t)
{
    return t == Trigger::TimeLapse || t == Trigger::ParkingTimeLapse;
}

std::string recordingName(
    Trigger t, bool seriesStart, const DateTime& start, std::uint32_t fileNumber, char camera)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3s%c-%s-%s-%06u%c.%s", triggerPrefix(t).data(), seriesStart ? 'S' : '_',
        formatYyMmDd(start).c_str(), formatHhMmSs(start).c_str(), fileNumber % 1000000u, camera,
        camera == 'D' ? "ADA" : "MOV");
    return buf;
}

} // namespace kivora::democard
