#pragma once

#include "kivora/views/EventChannel.h"

#include <QLine>
#include <QRect>

#include <array>
#include <cstdint>
#include <vector>

namespace kivora::views {

// The graph's vertical range 0..3 (±0.5, ±1, ±1.5, ±2 G) from the movie's largest acceleration.
int graphRangeFor(double maxAbsAccel);
// Divisor of the vertical scale (1..4) and the background picture of a range.
int graphRangeDivisor(int range);
int graphRangeBitmapId(int range);

// What the plot is drawn into. Lengths are device pixels.
struct GraphLayout {
    int clientWidth = 0;
    int clientHeight = 0;
    double uiScale = 1.0;
    double dpiRatio = 1.0;
    int margin = 41; // left legend width, (int)(41 × uiScale)
    int plotHeight = 120; // (int)(120 × uiScale): height of the range pictures
    int range = 1;
};

struct GraphMark {
    int x = 0; // client column
    int icon = kNoEvent;
    int channel = 0;
};

// Everything the plot draws, computed from the samples without pixels. Drawn in this order:
// bands, axis lines, marks.
struct GraphPlot {
    double pixelsPerStep = 0.0; // pps
    double stepWidth = 0.0; // sw = max(pps, 1)
    double firstStep = 0.0; // the step shown in the plot's first column
    std::array<std::vector<QLine>, 3> axisLines; // X, Y, Z in client coordinates
    std::vector<int> bandColumns; // the speeding band lies under these columns
    std::vector<GraphMark> marks; // by channel, then in column order
};

// The plot of the movie with the cursor at currentStep. Empty when there is no reader, no frame
// index or samples, or currentStep lies outside the index. At most one step per column is
// visited, so the work follows the plot width, not the movie length.
// The caller holds the locks that guard the reader.
GraphPlot computeGraphPlot(const recording::TelemetryReader* reader, const EventChannels& channels,
    const GraphLayout& layout, std::int64_t currentStep);

// Column of the cursor: margin + currentStep × (clientWidth − margin) / stepCount (float).
int graphCursorX(const GraphLayout& layout, std::int64_t stepCount, std::int64_t currentStep);

// Where the speeding band of a column goes (the bottom 32 pixels at scale 1), and how far down
// a mark's line starts.
QRect graphBandRect(const GraphLayout& layout, int x);
int graphMarkLineBottom(const GraphLayout& layout);
// Top of a mark's label for a label row.
int graphLabelTop(const GraphLayout& layout, int row);

} // namespace kivora::views
