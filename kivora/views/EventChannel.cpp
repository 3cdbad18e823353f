#include "kivora/views/EventChannel.h"

namespace kivora::views {

using recording::MotionSample;
using recording::TelemetryReader;

const EventIconStyle& eventIconStyle(int icon)
{
    static const std::array<EventIconStyle, kEventIconCount> styles { {
        { QColor(0, 255, 0), "G", 1 },
        { QColor(0, 255, 0), "G", 1 },
        { QColor(255, 0, 0), "G", 0 },
        { QColor(128, 128, 255), "G", 2 },
        { QColor(128, 128, 255), "G", 2 },
        { QColor(255, 255, 255), "M", 3 },
        { QColor(255, 255, 255), "\u203b", 3 },
        { QColor(255, 255, 255), "P", 3 },
        { QColor(255, 255, 255), "#", 3 },
        { QColor(255, 255, 255), "O", 3 },
        { QColor(255, 255, 255), "R", 3 },
        { QColor(255, 255, 0), "", 4 },
        { QColor(255, 0, 255), "\u25b2", 5 },
        { QColor(0, 255, 255), "\u25bc", 6 },
    } };
    static const EventIconStyle none { QColor(255, 255, 255), "", 3 };
    return icon >= 0 && icon < kEventIconCount ? styles[static_cast<std::size_t>(icon)] : none;
}

QColor axisColor(int axis)
{
    switch (axis) {
    case 0:
        return QColor(0, 255, 0);
    case 1:
        return QColor(255, 0, 0);
    case 2:
        return QColor(128, 128, 255);
    default:
        return QColor(255, 255, 255);
    }
}

int classifyChannel(const MotionSample& s, int channel)
{
    switch (channel) {
    case 0:
        return s.shockAxis == 1 ? 0 : kNoEvent;
    case 1:
        return s.shockAxis == 2 ? 2 : kNoEvent;
    case 2:
        return s.shockAxis == 3 ? 3 : kNoEvent;
    case 3:
        return s.eventCode == recording::kEventManual ? 5 : kNoEvent;
    case 4:
        return s.eventCode == recording::kEventEmergencyStop ? 6 : kNoEvent;
    case 5:
        return s.eventCode == recording::kEventParking ? 7 : kNoEvent;
    case 6:
        return s.speeding == recording::kEventSpeeding ? kSpeedingIcon : kNoEvent;
    // Speed-camera and radar warnings are not in the decoded records; the channels stay for a
    // later source and never report.
    case 7:
    case 8:
        return kNoEvent;
    case 9:
        return s.eventCode >= recording::kEventSharpSteering && s.eventCode <= recording::kEventSuddenBraking
            ? s.eventCode
            : kNoEvent;
    default:
        return kNoEvent;
    }
}

int EventChannels::markSettingChannel(int index)
{
    static constexpr std::array<int, 4> channels { 9, 4, 5, 6 };
    return index >= 0 && index < 4 ? channels[static_cast<std::size_t>(index)] : -1;
}

void EventChannels::setBoth(int channel, bool on)
{
    if (channel < 0 || channel >= kEventChannelCount)
        return;
    graphVisible[static_cast<std::size_t>(channel)] = on;
    mapVisible[static_cast<std::size_t>(channel)] = on;
}

const MotionSample* SampleAtStep(const TelemetryReader* reader, std::int64_t step)
{
    if (!reader || step < 0 || static_cast<std::uint64_t>(step) >= reader->frameIndex.size())
        return nullptr;
    const MotionSample* entry = reader->frameIndex[static_cast<std::size_t>(step)];
    if (!entry || entry->recordIndex < 0
        || static_cast<std::size_t>(entry->recordIndex) >= reader->motion.size())
        return nullptr;
    return &reader->motion[static_cast<std::size_t>(entry->recordIndex)];
}

ChannelEvaluation EvaluateChannel(const TelemetryReader* reader, std::int64_t step, int channel)
{
    const MotionSample* sample = SampleAtStep(reader, step);
    if (!sample)
        return {};
    const int icon = classifyChannel(*sample, channel);
    if (icon < 0)
        return {};
    if (step <= 0)
        return { icon, true };
    const MotionSample* before = SampleAtStep(reader, step - 1);
    return { icon, !before || classifyChannel(*before, channel) != icon };
}

} // namespace kivora::views
