#pragma once

namespace kivora::app {

class CkivoraDlg;

// What the separate window shows in the map's place, and the map's crash points: the map while the
// recording has a valid position to show (and the page and runtime are there), else the logo in
// the mode the marks give; the event list goes to the page once it is ready. UI thread only; owned
// by the window whose marks it reads.
class MapPlace {
public:
    explicit MapPlace(CkivoraDlg& hub)
        : m_hub(hub)
    {
    }

    // Rebuilds the event list of the recording at recordingIndex (none: -1, or not opened) and
    // sends the events the map can place; the map's result, 1 with no recording. Takes
    // hMutexCpSet and the engine locks.
    int sendCrashPoints(int recordingIndex, bool withGroupTrack);
    // The clock's step: the list to a page that is ready and has not taken it, then the page's
    // state (1 paused, 2 stopped).
    void mapStatusStep();
    // Map or logo, from the marks as they are now.
    void refreshMapChoice();
    // The "map has data" mark from the shown frame's GPS sample.
    void updateMapHasData();
    // The page is up: it gets the event list again and the map may show.
    void onMapReady();
    // A graph channel (an axis or a mark setting) switched on or off, in the graph and on the map.
    void onDisplayFlag(int channel, bool on);

private:
    CkivoraDlg& m_hub;
};

} // namespace kivora::app
