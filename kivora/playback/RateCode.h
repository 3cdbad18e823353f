#pragma once

// Playback rate codes of the transport commands and the rules that move between them.

namespace kivora::playback {

// The codes the main window exchanges with the engines. Any other value plays at 1.0.
enum RateCode : int {
    kRateQuarter = -4,
    kRateHalf = -2,
    kRateToggle = -1,
    kRateNormal = 1,
    kRateDouble = 2,
    kRateQuadruple = 4,
};

struct RateChoice {
    float rate;    // the rate to apply
    int storedCode; // the code the engine keeps (the -1 toggle can change it)
};

// The rate that code selects. currentCode is the engine's code before the change (the toggle
// depends on it). With canPlayBackwards the negative codes are reverse rates.
RateChoice rateForCode(int code, int currentCode, bool canPlayBackwards);

enum class RateBackend { Session, Fallback };

// The next code of the faster (true) or slower (false) command from the main engine's current code.
// Callers handle "not initialised" (0) and "not playing" (1) first.
int nextRateCodeFrom(int currentCode, bool faster, bool canPlayBackwards, RateBackend backend);

// Thinning (key frames only) is asked exactly above 2.0.
inline bool wantsThinning(float rate) { return rate > 2.0f; }

} // namespace kivora::playback
