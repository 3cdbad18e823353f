#pragma once

#include "kivora/recording/TelemetrySample.h"

#include <array>
#include <cstdint>

namespace kivora::views {

inline constexpr int kVehicleQuantities = 5;

// The five vehicle quantities of a frame from its VehicleSample's raw 16-bit values: 0x2020 (two
// spaces) is no data, 0x3FFF keeps the quantity's previous value. Quantities are not limited here.
class VehicleQuantities {
public:
    static constexpr std::uint16_t kNoData = 0x2020;
    static constexpr std::uint16_t kKeep = 0x3FFF;

    void update(const recording::VehicleSample& sample);
    void clear() { m_values = { 0, 0, 90, 0, 0 }; }
    std::int32_t value(int quantity) const;
    const std::array<std::int32_t, kVehicleQuantities>& values() const { return m_values; }

private:
    std::array<std::int32_t, kVehicleQuantities> m_values { 0, 0, 90, 0, 0 };
};

// Gauge maximum of a quantity (100, 100, 220, 105, 300); 0 for an unknown one.
int gaugeMaximum(int quantity);
// The dial picture of a quantity.
int gaugeDialId(int quantity);
// Needle angle in degrees clockwise from straight up for a value (limited to 0..maximum), read
// from the dial's calibration: the scale starts at 261.5 (251.5 for quantity 2) and ends at 99
// (108 for quantities 2 and 3), running through the top.
double needleAngle(int quantity, int value);

// One gauge of the vehicle window: the quantity it shows and its needle's animation towards the
// current value, one step per 50 ms tick.
class GaugeSlot {
public:
    // -1 clears the slot; 0..4 selects a quantity and restarts the animation.
    void select(int quantity);
    int quantity() const { return m_quantity; }
    int shownValue() const { return m_shown; }
    bool animating() const { return m_animating; }

    // One timer tick with the quantity's current value. True when the needle moved (repaint).
    bool tick(std::int32_t value);

    // The next value of a needle at `current` moving towards `target`.
    static int stepTowards(int quantity, int current, int target);

private:
    int m_quantity = -1;
    int m_shown = 0;
    int m_start = 0;
    int m_target = 0;
    bool m_rising = false;
    bool m_animating = false;
    bool m_initialised = false;
};

} // namespace kivora::views
