#include "kivora/views/EventList.h"

namespace kivora::views {

namespace {

constexpr std::array<int, 9> kMarkOrder { 0, 1, 2, 3, 4, 5, 7, 8, 9 };

bool shownOnGraph(const EventEntry& e, const EventChannels& channels)
{
    return e.channel >= 0 && e.channel < kEventChannelCount
        && channels.graphVisible[static_cast<std::size_t>(e.channel)];
}

} // namespace

std::vector<EventEntry> buildEventList(
    const recording::TelemetryReader* reader, const EventChannels& channels)
{
    std::vector<EventEntry> events;
    if (!reader)
        return events;
    const auto add = [&](std::int64_t step, int channel, const ChannelEvaluation& ev) {
        if (ev.icon < 0 || !ev.isNew)
            return;
        const recording::MotionSample* s = SampleAtStep(reader, step);
        events.push_back({ step, s ? s->recordIndex : 0, ev.icon, channel, s });
    };
    const auto steps = static_cast<std::int64_t>(reader->frameIndex.size());
    for (std::int64_t step = 0; step < steps; ++step) {
        if (channels.mapVisible[kSpeedingChannel])
            add(step, kSpeedingChannel, EvaluateChannel(reader, step, kSpeedingChannel));
        for (int channel : kMarkOrder) {
            if (!channels.mapVisible[static_cast<std::size_t>(channel)])
                continue;
            const ChannelEvaluation ev = EvaluateChannel(reader, step, channel);
            if (ev.icon >= 0) {
                add(step, channel, ev);
                break;
            }
        }
    }
    return events;
}

std::optional<std::int64_t> previousEventStep(
    const std::vector<EventEntry>& events, const EventChannels& channels, std::int64_t cursor)
{
    std::optional<std::int64_t> before;
    std::optional<std::int64_t> last;
    for (const EventEntry& e : events) {
        if (!shownOnGraph(e, channels))
            continue;
        if (e.step < cursor)
            before = e.step;
        last = e.step;
    }
    return before ? before : last;
}

std::optional<std::int64_t> nextEventStep(
    const std::vector<EventEntry>& events, const EventChannels& channels, std::int64_t cursor)
{
    std::optional<std::int64_t> first;
    for (const EventEntry& e : events) {
        if (!shownOnGraph(e, channels))
            continue;
        if (e.step > cursor)
            return e.step;
        if (!first)
            first = e.step;
    }
    return first;
}

} // namespace kivora::views
