#pragma once

#include "kivora/views/VehicleGauge.h"

#include "kivora/platform/PostMessage.h"
#include "kivora/ui/CSkinDialog.h"

#include <QImage>
#include <QTimer>

#include <array>
#include <map>

class QComboBox;

namespace kivora::views {

// The vehicle information window: three dial gauges, each with a selector for one of the five
// vehicle quantities; each needle moves towards the current frame's value one step per 50 ms.
// Created hidden; the values flow in whether or not it is shown. Closing hides it, stops the
// needles and posts the closed message to the owner. UI thread only.
class CObdDlg : public ui::CSkinDialog {
public:
    static constexpr int kCloseId = 20;
    static constexpr int kFirstSelectorId = 1003;
    static constexpr int kFirstTimerId = 1000;
    static constexpr int kTickMs = 50;
    static constexpr int kOpacity = 229;

    explicit CObdDlg(platform::MessageTarget owner, QWidget* parent = nullptr,
        const ui::SkinStyle& style = ui::SkinStyle::current());

    // The five quantities of the shown frame (VehicleQuantities of its VehicleSample).
    void setValues(const std::array<std::int32_t, kVehicleQuantities>& values) { m_values = values; }
    // Selectors cannot be changed while playback runs.
    void setPlaying(bool playing);
    // What the selector of slot n does on a change: 0..4 starts the slot's gauge.
    void selectQuantity(int slot, int quantity);

    const GaugeSlot& slot(int n) const { return m_slots[static_cast<std::size_t>(n)]; }
    QComboBox* selector(int n) const { return m_selectors[static_cast<std::size_t>(n)]; }
    // One 50 ms tick of slot n (its timer calls this).
    void tickSlot(int n);
    bool timerRunning(int n) const { return m_timers[static_cast<std::size_t>(n)].isActive(); }

    // The gauges as a paint draws them, for a window of the current size.
    void renderGauges(QPainter& painter) const;
    // The top of the gauge row, set by the layout.
    void setGaugeTop(int top);

protected:
    void onCloseButton() override;
    void paintBackground(QPainter& painter) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void stopAll();
    // Skin pictures, decoded once.
    const QImage& skin(int id) const;
    const QImage& needleImage() const;
    QRect slotRect(int n) const;

    platform::MessageTarget m_owner;
    std::array<std::int32_t, kVehicleQuantities> m_values { 0, 0, 90, 0, 0 };
    std::array<GaugeSlot, 3> m_slots;
    std::array<QTimer, 3> m_timers;
    std::array<QComboBox*, 3> m_selectors {}; // children, owned by Qt
    bool m_playing = false;
    int m_gaugeTop = 60;
    mutable std::map<int, QImage> m_images;
    mutable QImage m_needle; // needle cut out by its mask
};

} // namespace kivora::views
