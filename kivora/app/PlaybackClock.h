#pragma once

#include <cstdint>

namespace kivora::app {

// The position part of the 30 ms clock: kicks a stalled engine and keeps the views still while a
// seek settles. The engine and the views are reached through Actions, so the rules run without
// a movie. UI thread only.
class PlaybackClock {
public:
    static constexpr int kStallTicks = 30; // about 0.9 s of an unmoving position while playing

    class Actions {
    public:
        virtual void pauseBoth() = 0;
        virtual void seekBoth(std::int64_t frame) = 0;
        virtual void playBoth() = 0;
        // Shows frame n in every view; the host sets the pending seek target to the frame shown.
        virtual void showFrame(std::int64_t frame) = 0;

    protected:
        ~Actions() = default;
    };

    // One tick with the main camera's position p and duration d (frames). Positions of 0 or below
    // (the first frame, or a clock that cannot be read) neither count as a stall nor move the views.
    void tick(std::int64_t position, std::int64_t duration, Actions& actions);

    // The frame the views were last asked to show by a seek; -1 when none is pending.
    std::int64_t pendingSeek() const { return m_pendingSeek; }
    void setPendingSeek(std::int64_t frame) { m_pendingSeek = frame; }
    void clearPendingSeek() { m_pendingSeek = -1; }

    // True when p is close enough to the seek target t for the views to follow the engine again:
    // t − (d/1000 + 30) < p < t + (d/1000 + 30).
    static bool nearTarget(std::int64_t target, std::int64_t position, std::int64_t duration);

    int repeatCount() const { return m_repeats; }

private:
    std::int64_t m_pendingSeek = -1;
    std::int64_t m_lastPosition = 0;
    int m_repeats = 0;
};

} // namespace kivora::app
