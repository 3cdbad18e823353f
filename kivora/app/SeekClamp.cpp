#include "kivora/app/SeekClamp.h"

#include <algorithm>

namespace kivora::app {

std::int64_t seekFrame(std::int64_t requested, int sliderMaximum, int margin)
{
    const std::int64_t f = std::min<std::int64_t>(requested, std::int64_t(sliderMaximum) - margin);
    return std::max<std::int64_t>(f, 0);
}

int shownFrame(std::int64_t requested, int sliderMinimum, int sliderMaximum)
{
    const std::int64_t upper = std::int64_t(sliderMaximum) - 1;
    return int(std::max<std::int64_t>(sliderMinimum, std::min(requested, upper)));
}

} // namespace kivora::app
