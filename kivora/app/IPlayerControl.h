#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace kivora::app {

// What the main window looks like at one moment, for remote controls (keyboard, D-Bus).
struct PlayerStatus {
    int engineState = 0; // EngineState of the main camera: 0 closed, 1 stopped, 2 playing, 3 paused
    int rateCode = 0; // RateCode: 1, 2, 4, -2 (x0.5), -4 (x0.25); 0 when nothing is open
    std::int64_t position = 0; // frame shown
    std::int64_t duration = 0; // frames of the main camera's movie
    double framePeriodMs = 0; // milliseconds per frame of the main camera's movie
    std::filesystem::path movie; // the main camera's movie of the current recording; empty without one
    std::string label; // the recording's label as the list shows it
    int index = -1; // the current recording's row in the list; -1 without one
    int count = 0; // rows in the list
};

// The one command path of the main window. The toolbar, the popup menu, the keyboard and the
// desktop's media controls all go through it, so the busy guard, the wait state and a running
// worker hold for each of them. UI thread only.
class IPlayerControl {
public:
    virtual ~IPlayerControl() = default;
    // Runs a command by its id (toolbar 38000 .. 38013, 38200, caption 14 .. 16) as a click
    // would. False when it was refused (disabled by the enabling rule, busy, waiting, a worker).
    virtual bool runCommand(int commandId) = 0;
    virtual bool commandEnabled(int commandId) const = 0;
    // Seeks to a frame keeping the play state, through the same guards; false when refused.
    virtual bool seekToFrame(std::int64_t frame) = 0;
    // Sets a rate code (as faster and slower do); false when refused or not playable.
    virtual bool setRateCode(int rateCode) = 0;
    // A folder or a movie becomes the source, as on the command line.
    virtual bool openSourcePath(const std::filesystem::path& path) = 0;
    virtual PlayerStatus status() const = 0;
};

} // namespace kivora::app
