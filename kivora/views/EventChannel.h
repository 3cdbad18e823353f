#pragma once

#include "kivora/recording/TelemetryReader.h"

#include <QColor>

#include <array>
#include <cstdint>

namespace kivora::views {

// Event mark codes 0..13. The value is also the index of the map page's icon table.
inline constexpr int kNoEvent = -1;
inline constexpr int kEventIconCount = 14;
inline constexpr int kEventChannelCount = 10;
inline constexpr int kSpeedingChannel = 6;
inline constexpr int kSpeedingIcon = 8;
inline constexpr int kSharpSteeringIcon = 11;

// How a mark of an icon looks on the graph: its line colour, its label (empty for the picture of
// icon 11) and the label row under the plot.
struct EventIconStyle {
    QColor pen;
    const char* label; // UTF-8
    int row;
};
const EventIconStyle& eventIconStyle(int icon);

// The axis colours of channels 0..2 (X green, Y red, Z light blue); also the panel's axis texts.
QColor axisColor(int axis);

// The classifier of one channel: the EventIcon a sample stands for on it, or kNoEvent.
int classifyChannel(const recording::MotionSample& sample, int channel);

// The graph and map switches of the ten channels; every switch starts on.
struct EventChannels {
    std::array<bool, kEventChannelCount> graphVisible;
    std::array<bool, kEventChannelCount> mapVisible;
    // Each of channels 0..2 also carries the header's threshold (0.2 until replaced); it is
    // kept for the main window and read by nothing here.
    std::array<double, 3> threshold { 0.2, 0.2, 0.2 };

    EventChannels()
    {
        graphVisible.fill(true);
        mapVisible.fill(true);
    }
    void setBoth(int channel, bool on);
    // The settings dialog's mark switches 0..3 stand for channels 9, 4, 5 and 6; -1 for others.
    static int markSettingChannel(int index);
};

struct ChannelEvaluation {
    int icon = kNoEvent;
    bool isNew = false; // the event starts at this step
};

// The sample a step shows: the one at the recordIndex of the frame's entry in the motion vector.
// Null when there is no reader, the step lies outside the index or the entry points nowhere.
// The caller holds the locks that guard the reader.
const recording::MotionSample* SampleAtStep(const recording::TelemetryReader* reader, std::int64_t step);

// Classifies the sample of `step` on `channel`; isNew when the step before gave another value
// (or there is none). No event for a missing reader, step or sample.
ChannelEvaluation EvaluateChannel(const recording::TelemetryReader* reader, std::int64_t step, int channel);

} // namespace kivora::views
