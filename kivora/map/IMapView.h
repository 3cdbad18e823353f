#pragma once

#include "kivora/views/EventList.h"

#include <cstdint>
#include <vector>

class QRect;
class QWidget;

namespace kivora::map {

// The map as the main window sees it (the map wrapper's operations). The wrapper reads the tracks
// it sends from the engines; the main window owns the event list. UI thread only.
class IMapView {
public:
    virtual ~IMapView() = default;

    // The play status told to the page: 0 none (playing), 1 "pause", 2 "stop".
    virtual void SetMapStatus(int status) = 0;
    // When the page is ready, replaces the page's crash points with `events` (the main window's
    // event list, just rebuilt) and its track lines. The caller holds hMutexCpSet and both engine
    // locks. 1 when done or the page was not ready, 0 when it stopped at an event without a
    // position (the clock's map status step then tries again).
    virtual int SendCrashPoints(
        const std::vector<views::EventEntry>& events, int recordingIndex, bool withGroupTrack)
        = 0;
    // Shows or hides the map in its window; only a map shown here is hidden again. Full screen
    // needs nothing of the map: the main window hides the separate window that holds it.
    virtual void ShowMap(bool show) = 0;
    virtual void SetMapParent(QWidget* parent) = 0;
    // Where the map window sits in its parent (the separate window's inner rectangle).
    virtual void setMapGeometry(const QRect& rect) = 0;
    // The frame the views show, for the page's position poll.
    virtual void setCurrentFrame(std::int64_t frame) = 0;

    // The map display switch (command 38013).
    virtual void setMapSwitch(bool on) = 0;
    virtual bool mapSwitch() const = 0;
    // The page was made ready (the platform's "page connected"), and its htmlReady flag.
    virtual bool pageReady() const = 0;
    virtual bool htmlReady() const = 0;
    // False when the web engine cannot run the page (its render process died).
    virtual bool runtimePresent() const = 0;
};

} // namespace kivora::map
