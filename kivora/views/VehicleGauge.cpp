#include "kivora/views/VehicleGauge.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kivora::views {

namespace {

struct GaugeScale {
    int maximum;
    double start;
    double end; // past 360 when the sweep runs through the top
    int dialId;
};

constexpr std::array<GaugeScale, kVehicleQuantities> kScales { {
    { 100, 261.5, 360 + 99, 320 },
    { 100, 261.5, 360 + 99, 307 },
    { 220, 251.5, 360 + 108, 309 },
    { 105, 261.5, 360 + 108, 321 },
    { 300, 261.5, 360 + 99, 325 },
} };

bool known(int quantity)
{
    return quantity >= 0 && quantity < kVehicleQuantities;
}

} // namespace

void VehicleQuantities::update(const recording::VehicleSample& sample)
{
    const auto& v = sample.values;
    const auto set = [&](int q, std::uint16_t raw, std::int32_t noData, auto compute) {
        if (raw == kKeep)
            return;
        m_values[static_cast<std::size_t>(q)]
            = raw == kNoData ? noData : compute(static_cast<std::int32_t>(raw));
    };
    set(0, v[7], 0, [](std::int32_t r) { return r / 10; });
    set(1, v[2], 0, [](std::int32_t r) { return r / 100; });
    set(2, v[1], 90,
        [](std::int32_t r) { return static_cast<std::int32_t>((r - 101) / 100.0 * 100.0 + 90.0); });
    set(3, v[0], 0, [](std::int32_t r) { return r - 40; });
    set(4, v[3], 0, [](std::int32_t r) { return r; });
}

std::int32_t VehicleQuantities::value(int quantity) const
{
    return known(quantity) ? m_values[static_cast<std::size_t>(quantity)] : 0;
}

int gaugeMaximum(int quantity)
{
    return known(quantity) ? kScales[static_cast<std::size_t>(quantity)].maximum : 0;
}

int gaugeDialId(int quantity)
{
    return known(quantity) ? kScales[static_cast<std::size_t>(quantity)].dialId : 0;
}

double needleAngle(int quantity, int value)
{
    if (!known(quantity))
        return 0.0;
    const GaugeScale& s = kScales[static_cast<std::size_t>(quantity)];
    const int v = std::clamp(value, 0, s.maximum);
    return std::fmod(s.start + (s.end - s.start) * v / s.maximum, 360.0);
}

void GaugeSlot::select(int quantity)
{
    m_quantity = known(quantity) ? quantity : -1;
    m_animating = false;
    m_initialised = false;
    m_start = m_target = m_shown;
}

int GaugeSlot::stepTowards(int quantity, int current, int target)
{
    const int distance = std::abs(target - current);
    int step = 1;
    if (quantity == 2)
        step = distance >= 6 ? 6 : 1;
    else if (quantity == 4)
        step = distance >= 8 ? 8 : distance >= 2 ? 2 : 1;
    else
        step = distance >= 2 ? 2 : 1;
    if (distance == 0)
        return current;
    return target > current ? current + step : current - step;
}

bool GaugeSlot::tick(std::int32_t value)
{
    if (!known(m_quantity))
        return false;
    if (m_animating) {
        if (m_shown == m_target) {
            m_animating = false;
            return false;
        }
        m_shown = stepTowards(m_quantity, m_shown, m_target);
        return true;
    }
    const int v = std::clamp<std::int32_t>(value, 0, gaugeMaximum(m_quantity));
    const bool first = !m_initialised;
    m_initialised = true;
    if (v == m_shown && !first)
        return false;
    m_start = m_shown;
    m_target = v;
    m_rising = m_start < m_target;
    m_shown = stepTowards(m_quantity, m_shown, m_target);
    m_animating = true;
    return true;
}

} // namespace kivora::views
