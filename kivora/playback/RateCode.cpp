#include "kivora/playback/RateCode.h"

namespace kivora::playback {

RateChoice rateForCode(int code, int currentCode, bool canPlayBackwards)
{
    switch (code) {
    case kRateNormal:
        return {1.0f, code};
    case kRateDouble:
        return {2.0f, code};
    case kRateQuadruple:
        return {4.0f, code};
    case kRateHalf:
        return {canPlayBackwards ? -2.0f : 0.5f, code};
    case kRateQuarter:
        return {canPlayBackwards ? -4.0f : 0.25f, code};
    case kRateToggle:
        if (canPlayBackwards)
            return {-1.0f, code};
        if (currentCode == kRateNormal)
            return {0.5f, kRateHalf};
        if (currentCode == kRateHalf)
            return {1.0f, kRateNormal};
        return {1.0f, kRateToggle};
    default:
        return {1.0f, code};
    }
}

int nextRateCodeFrom(int currentCode, bool faster, bool canPlayBackwards, RateBackend backend)
{
    if (faster) {
        switch (currentCode) {
        case 4:
            return 4;
        case 2:
            return canPlayBackwards ? 4 : 2;
        case 1:
            return 2;
        case -1:
            return 1;
        case -2:
            return canPlayBackwards ? -1 : 1;
        case -4:
            return -2;
        default:
            return 1;
        }
    }
    const bool session = backend == RateBackend::Session;
    switch (currentCode) {
    case 4:
        return 2;
    case 2:
        return 1;
    case 1:
        return -1;
    case -1:
        return -2;
    case -2:
        return session ? -2 : -4;
    case -4:
        return session ? 1 : -4;
    default:
        return 1;
    }
}

} // namespace kivora::playback
