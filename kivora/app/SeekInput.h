#pragma once

#include "kivora/platform/PostMessage.h"
#include "kivora/playback/MovieEngine.h"

#include <cstdint>

namespace kivora::views {
struct EventChannels;
}

namespace kivora::app {

class CrashPoints;
class OpenSequence;
class PlaybackControl;

// Control ids of the two sliders.
inline constexpr int kPositionSliderId = 38100;
inline constexpr int kVolumeSliderId = 38101;

// The main window's position and volume sliders and the graph's previous/next event: the moves
// the user makes through the recording by hand. UI thread only.
class SeekInput {
public:
    // What the moves need from the window.
    class Host {
    public:
        // The position slider was pressed beside its thumb (a jump rather than a drag).
        virtual bool positionPressedOutsideThumb() const = 0;
        virtual void showFrame(std::int64_t frame) = 0;
        virtual void seekWithState(std::int64_t frame, playback::EngineState state) = 0;
        virtual void setVolume(int volume) = 0;
        virtual void applyVolume() = 0;
        virtual bool busy() = 0;
        virtual void cancelTimer(int id) = 0;
        // The graph's cursor and the channels it shows, which the event steps follow.
        virtual std::int64_t graphStep() const = 0;
        virtual const views::EventChannels& graphChannels() const = 0;

    protected:
        ~Host() = default;
    };

    SeekInput(Host& host, OpenSequence& open, PlaybackControl& playback, CrashPoints& crashPoints)
        : m_host(host)
        , m_open(open)
        , m_playback(playback)
        , m_crashPoints(crashPoints)
    {
    }

    void sliderDrag(platform::WParam id, platform::LParam value);
    void sliderPressed(platform::WParam id, platform::LParam value);
    void sliderReleased(platform::WParam id, platform::LParam value);
    void eventClick(bool next);

private:
    Host& m_host;
    OpenSequence& m_open;
    PlaybackControl& m_playback;
    CrashPoints& m_crashPoints;
    playback::EngineState m_sliderState = playback::EngineState::Closed; // remembered at a slider press
};

} // namespace kivora::app
