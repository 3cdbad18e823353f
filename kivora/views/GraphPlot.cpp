#include "kivora/views/GraphPlot.h"

#include <algorithm>
#include <cmath>

namespace kivora::views {

using recording::MotionSample;

namespace {

constexpr std::array<int, 9> kMarkOrder { 0, 1, 2, 3, 4, 5, 7, 8, 9 };
// A flat run is drawn as one line but gets a point at least every this many steps.
constexpr int kMaxRun = 7;

int scaled(double design, double uiScale)
{
    return static_cast<int>(design * uiScale);
}

double axisValue(const MotionSample& s, int axis)
{
    return axis == 0 ? s.accelX : axis == 1 ? s.accelY : s.accelZ;
}

double bandFactor(const GraphLayout& l)
{
    const int unit = scaled(35, l.uiScale);
    if (l.clientHeight <= 0 || unit == 0)
        return 0.0;
    return static_cast<double>(l.clientHeight - scaled(15, l.uiScale)) / unit;
}

// One axis's polyline, collapsing runs of equal values.
class AxisTrace {
public:
    AxisTrace(std::vector<QLine>& out, int margin, int mid, int limit, int plotWidth, int scale)
        : m_out(out)
        , m_margin(margin)
        , m_mid(mid)
        , m_limit(limit)
        , m_plotWidth(plotWidth)
        , m_scale(scale)
    {
    }

    void begin(double v) { m_prevY = m_heldY = static_cast<int>(m_scale * clampG(v)); }

    void step(int x, double v, bool final)
    {
        ++m_counter;
        const int y = static_cast<int>(m_scale * clampG(v));
        bool drew = false;
        if (y == m_prevY) {
            if (final) {
                segment(m_plotWidth, y);
                drew = true;
            } else if (m_counter % kMaxRun == 0) {
                segment(x, y);
                drew = true;
            }
        } else {
            if (m_counter > kMaxRun)
                segment(m_heldX, m_heldY); // close the flat run at the previous step
            m_counter = 0;
            segment(final ? m_plotWidth : x, y);
            drew = true;
        }
        m_heldX = x;
        m_heldY = drew ? clamp(y) : y;
    }

private:
    static double clampG(double v) { return std::abs(v) > 2.0 ? std::copysign(2.0, v) : v; }
    int clamp(int y) const { return std::clamp(y, -m_limit, m_limit); }

    void segment(int tx, int ty)
    {
        m_out.emplace_back(m_margin + m_prevX, m_mid - clamp(m_prevY), m_margin + tx, m_mid - clamp(ty));
        m_prevX = tx;
        m_prevY = clamp(ty);
    }

    std::vector<QLine>& m_out;
    int m_margin, m_mid, m_limit, m_plotWidth, m_scale;
    int m_prevX = 0, m_prevY = 0, m_heldX = 0, m_heldY = 0, m_counter = 0;
};

} // namespace

int graphRangeFor(double m)
{
    if (m >= 1.5)
        return 3;
    if (m >= 1.0)
        return 2;
    if (m >= 0.5)
        return 1;
    return 0;
}

int graphRangeDivisor(int range)
{
    return std::clamp(range, 0, 3) + 1;
}

int graphRangeBitmapId(int range)
{
    static constexpr std::array<int, 4> ids { 163, 162, 188, 189 };
    return ids[static_cast<std::size_t>(std::clamp(range, 0, 3))];
}

QRect graphBandRect(const GraphLayout& l, int x)
{
    const double f = bandFactor(l);
    const int top
        = scaled(-32.5, l.uiScale) - static_cast<int>(scaled(-35, l.uiScale) * f) - scaled(-15, l.uiScale);
    return QRect(x, top, 2, scaled(32.5, l.uiScale));
}

int graphMarkLineBottom(const GraphLayout& l)
{
    return scaled(15, l.uiScale) - static_cast<int>(scaled(-35, l.uiScale) * bandFactor(l));
}

int graphLabelTop(const GraphLayout& l, int row)
{
    const double ratio = l.dpiRatio > 0 ? l.dpiRatio : 1.0;
    const int rowStep = static_cast<int>(scaled(10, l.uiScale) / ratio) / 6;
    return l.plotHeight - scaled(5, l.uiScale) + row * rowStep;
}

int graphCursorX(const GraphLayout& l, std::int64_t stepCount, std::int64_t currentStep)
{
    const float r
        = stepCount > 0 ? static_cast<float>(l.clientWidth - l.margin) / static_cast<float>(stepCount) : 0.0f;
    return l.margin + static_cast<int>(static_cast<float>(currentStep) * r);
}

GraphPlot computeGraphPlot(const recording::TelemetryReader* reader, const EventChannels& channels,
    const GraphLayout& l, std::int64_t currentStep)
{
    GraphPlot plot;
    if (!reader || reader->frameIndex.empty() || reader->motion.empty() || currentStep < 0
        || static_cast<std::uint64_t>(currentStep) >= reader->frameIndex.size() || l.clientWidth <= 0)
        return plot;

    const auto n = static_cast<std::int64_t>(reader->frameIndex.size());
    const int unit = static_cast<int>(l.uiScale);
    const int plotWidth = l.clientWidth - unit - l.margin;
    if (plotWidth <= 0)
        return plot;
    const double pps = static_cast<double>(l.clientWidth - l.margin - unit) / static_cast<double>(n);
    const double sw = std::max(pps, 1.0);
    const double start = (1.0 - pps / sw) * static_cast<double>(currentStep);
    plot.pixelsPerStep = pps;
    plot.stepWidth = sw;
    plot.firstStep = start;

    const int mid = l.plotHeight / 2;
    const int scale = (l.plotHeight - 6) / graphRangeDivisor(l.range);
    const int limit = mid - scaled(5, l.uiScale);

    std::vector<AxisTrace> traces;
    const MotionSample* first = SampleAtStep(reader, static_cast<std::int64_t>(start));
    for (int a = 0; a < 3; ++a) {
        traces.emplace_back(
            plot.axisLines[static_cast<std::size_t>(a)], l.margin, mid, limit, plotWidth, scale);
        traces.back().begin(first ? axisValue(*first, a) : 0.0);
    }

    std::array<std::vector<GraphMark>, kEventChannelCount> collected;
    const bool speedingShown = channels.graphVisible[kSpeedingChannel];
    const auto evaluateAndCollect = [&](int channel, std::int64_t k, int x) {
        const ChannelEvaluation ev = EvaluateChannel(reader, k, channel);
        if (ev.icon < 0)
            return false;
        if (ev.icon == kSpeedingIcon)
            plot.bandColumns.push_back(x);
        if (ev.isNew)
            collected[static_cast<std::size_t>(channel)].push_back({ x, ev.icon, channel });
        return true;
    };
    const auto marksAt = [&](int x, std::int64_t k) {
        if (speedingShown)
            evaluateAndCollect(kSpeedingChannel, k, x);
        for (int channel : kMarkOrder) {
            if (channels.graphVisible[static_cast<std::size_t>(channel)] && evaluateAndCollect(channel, k, x))
                break;
        }
    };
    // Fills the columns between two steps; a stretch that starts at k begins at k's own column.
    const auto speedingFill = [&](int x, std::int64_t k) {
        if (!speedingShown)
            return;
        const ChannelEvaluation ev = EvaluateChannel(reader, k, kSpeedingChannel);
        if (ev.icon == kSpeedingIcon && !ev.isNew)
            plot.bandColumns.push_back(x);
    };
    const auto drawAxes = [&](int x, const MotionSample& s, bool final) {
        for (int a = 0; a < 3; ++a) {
            if (channels.graphVisible[static_cast<std::size_t>(a)])
                traces[static_cast<std::size_t>(a)].step(x, axisValue(s, a), final);
        }
    };

    int lastX = 0;
    std::int64_t lastK = -1;
    const MotionSample* lastSample = nullptr;
    for (std::int64_t i = 0; static_cast<double>(i) < plotWidth / sw && i < n; ++i) {
        const auto k = static_cast<std::int64_t>(static_cast<double>(i) + start);
        const MotionSample* s = k < n ? SampleAtStep(reader, k) : nullptr;
        if (!s)
            break; // an entry past the samples ends the plot here
        const int x = static_cast<int>(static_cast<double>(i) * sw);
        if (i > 0 && x - lastX >= 2) {
            // The band follows the marks' columns, which lie right of the legend.
            for (int c = lastX + 1; c < x; ++c)
                speedingFill(l.margin + c, k);
        }
        drawAxes(x, *s, false);
        lastX = x;
        lastK = k;
        lastSample = s;
        marksAt(l.margin + x, k);
    }

    if (lastSample) {
        drawAxes(lastX, *lastSample, true);
        // The last step already has its mark; only its band is carried to the step's full width.
        if (sw > 1.0) {
            const int from = l.margin + lastX + 1;
            for (int c = from; c <= from + static_cast<int>(sw); ++c)
                speedingFill(c, lastK);
        }
    }

    for (const auto& list : collected)
        plot.marks.insert(plot.marks.end(), list.begin(), list.end());
    return plot;
}

} // namespace kivora::views
