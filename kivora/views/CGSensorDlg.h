#pragma once

#include "kivora/views/EventChannel.h"
#include "kivora/views/GraphPlot.h"
#include "kivora/views/ViewTelemetry.h"

#include "kivora/ui/COffScreenDC.h"

#include <QFont>
#include <QImage>
#include <QWidget>

#include <cstdint>

namespace kivora::views {

// The acceleration graph: the three axes of the playing movie over its length (or a window that
// scrolls with playback), a cursor at the current step, event marks and speeding bands. It keeps
// its ground and background tiles between repaints (drawn anew for a new range, scale, size or
// tiling); the plot itself is recomputed from the samples on every paint. A left click
// posts the previous-event message to the parent, a right click the next-event message.
// UI thread only.
class CGSensorDlg : public QWidget {
public:
    explicit CGSensorDlg(QWidget* parent = nullptr);

    // Set by the main window, which then asks for a repaint.
    void setStepCount(std::int64_t steps) { m_stepCount = steps; }
    void setCurrentStep(std::int64_t step) { m_currentStep = step; }
    void setMargin(int margin)
    {
        m_margin = margin;
        m_backdrop = QImage();
    }
    void setTileWidth(int width)
    {
        m_tileWidth = width;
        m_backdrop = QImage();
    }
    void setRange(int range);
    void setDrawEnabled(bool on) { m_drawEnabled = on; }
    void setUiScale(double uiScale, double dpiRatio = 1.0);
    void setLabelFont(const QFont& font) { m_labelFont = font; }
    void setTelemetry(ViewTelemetry telemetry) { m_telemetry = std::move(telemetry); }

    std::int64_t stepCount() const { return m_stepCount; }
    std::int64_t currentStep() const { return m_currentStep; }
    int range() const { return m_range; }
    bool drawEnabled() const { return m_drawEnabled; }

    EventChannels& channels() { return m_channels; }
    const EventChannels& channels() const { return m_channels; }

    // The sample shown at a step, under the telemetry's locks (none when the window hands a
    // read-only track); null outside the frame index.
    const recording::MotionSample* sampleAtStep(std::int64_t step) const;

    // The whole graph as the next paint draws it, at the widget's size. False (and nothing drawn)
    // for an empty widget or a zero tile width.
    bool render(QImage& target) const;

    GraphLayout layout() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void drawBackground(QPainter& p) const;
    // The black ground with the background tiles, for a target like this one.
    const QImage& backdrop(const QImage& target) const;
    void drawPlot(QPainter& p, const GraphLayout& layout) const;

    std::int64_t m_stepCount = 0;
    std::int64_t m_currentStep = 0;
    int m_margin = 41;
    int m_tileWidth = 599;
    int m_range = 1;
    bool m_drawEnabled = false;
    double m_uiScale = 1.0;
    double m_dpiRatio = 1.0;
    QFont m_labelFont;
    EventChannels m_channels;
    ViewTelemetry m_telemetry;
    QImage m_background; // the range picture at the layout scale
    // The ground and tiles change only with the range, the scale, the size or the tiling: drawn
    // once, copied on every tick.
    mutable QImage m_backdrop;
    mutable QSize m_backdropWidget; // the widget size it was drawn for
    QImage m_steeringMark; // picture of icon 11
    ui::COffScreenDC m_surface;
};

} // namespace kivora::views
