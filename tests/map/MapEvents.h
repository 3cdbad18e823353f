#pragma once

#include "kivora/views/EventList.h"

#include <deque>
#include <optional>
#include <utility>
#include <vector>

namespace maptest {

inline kivora::recording::GpsSample fix(double lat, double lng, int frame, int valid = 1)
{
    kivora::recording::GpsSample sample;
    sample.latitude = lat;
    sample.longitude = lng;
    sample.time = frame;
    sample.valid = valid;
    return sample;
}

// An event list with its samples, linked the way the frame index links them; the deques keep
// the addresses stable.
struct Events {
    std::deque<kivora::recording::GpsSample> gps;
    std::deque<kivora::recording::MotionSample> motion;
    std::vector<kivora::views::EventEntry> list;

    void add(int icon, int frame, std::optional<std::pair<double, double>> position)
    {
        kivora::recording::MotionSample& m = motion.emplace_back();
        m.time = frame;
        m.accelX = 0.25;
        m.accelY = -1.5;
        if (position) {
            kivora::recording::GpsSample& g = gps.emplace_back(fix(position->first, position->second, frame));
            g.speed = 42.5;
            m.gps = &g;
        }
        list.push_back(
            kivora::views::EventEntry { frame, static_cast<std::int32_t>(motion.size() - 1), icon, 0, &m });
    }
};

} // namespace maptest
