#include "kivora/app/BusyGuard.h"

namespace kivora::app {

int endMargin(int rateCode)
{
    switch (rateCode) {
    case 2:
        return 40;
    case 4:
        return 80;
    default:
        return 20;
    }
}

bool isBusy(bool opened, const EngineSnapshot& engine)
{
    if (!opened)
        return true;
    if (!engine.initialised || !engine.playing || engine.duration == 0)
        return false;
    return engine.position + endMargin(engine.rateCode) >= engine.duration;
}

} // namespace kivora::app
