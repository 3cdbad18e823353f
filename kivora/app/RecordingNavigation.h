#pragma once

#include <QString>

#include <filesystem>
#include <mutex>

namespace kivora::browse {
class FolderNode;
class IBrowserPanel;
} // namespace kivora::browse

namespace kivora::app {

class MapPlace;
class OpenSequence;
class PlaybackControl;
class ViewModes;
struct WindowWidgets;

// The mount point that holds the path (the medium a card is on). Empty when unknown.
QString mountRoot(const std::filesystem::path& path);

// The walk between recordings of the main window: the end of a movie goes on with the next
// recording at the same rate, then the first recording of the next folder that has any, and at the
// end of everything back to the last recording's first frame, stopped; the folder change; the
// list's row chosen by the user; and a source that went away. UI thread only.
class RecordingNavigation {
public:
    // What the walk asks of the window.
    class Host {
    public:
        virtual browse::IBrowserPanel& browser() const = 0;
        virtual int recordingDefaultRate() const = 0;
        virtual void updateSpeedLabel() = 0;
        virtual void applyVolume() = 0;
        virtual void stopBothCameras() = 0;
        virtual bool isFullScreenView() const = 0;
        // Views, marks and loaders back to "no recording"; the engines are left as they are.
        virtual void resetRecordingState() = 0;
        virtual void closeRecording() = 0;
        // The map's group track follows the list the folder selection just made.
        virtual void giveMapGroup() = 0;
        virtual void setPlayFace(bool pauseFace) = 0;
        virtual void refreshToolbar() = 0;
        // The CSV button's mark: the list has no recordings of a card.
        virtual void markListEmpty() = 0;
        virtual void closeWindow() = 0;

    protected:
        ~Host() = default;
    };

    // cache is hMutexCache, which guards the list and the selection.
    RecordingNavigation(Host& host, const WindowWidgets& ui, OpenSequence& open, PlaybackControl& playback,
        ViewModes& viewModes, MapPlace& mapPlace, std::recursive_mutex& cache)
        : m_host(host)
        , m_ui(ui)
        , m_open(open)
        , m_playback(playback)
        , m_viewModes(viewModes)
        , m_mapPlace(mapPlace)
        , m_cache(cache)
    {
    }

    // The movie ended (the second report of the same end is ignored).
    void onMovieEnded();
    // Next recording, or at the last one of a folder the pause before the next folder, or at the
    // last one of all the rewind (the Next command and the end of a movie).
    void nextRecording();
    // Steps the list on by one (advanceMode 1) or back (2) and selects that recording.
    void selectNext(int advanceMode);
    // The open sequence's "next recording": false at the end of the list.
    bool selectNextRecording();
    // The open sequence's "next folder": while walking on, the folder after the selected one.
    void nextFolder();
    // The folder tree's selection changed: closes the recording and opens the folder's first one,
    // skipping empty folders while walking on.
    void onFolderChanged(browse::FolderNode* item);
    // Moves the list's selection; the caller runs the select step.
    void selectListRow(int index, int advanceMode);
    // The user chose a row of the list.
    void onRecordingSelected(int row);
    // The source's medium went away.
    void onSourceRemoved();
    // The rate of the selected recording's kind, when the engines run another one.
    void restoreRateToDefault();

    // An automatic advance walks through the list (the play face and the cameras stay as they are).
    bool listAdvancing() const { return m_listAdvancing; }
    // The source now loaded lies on this medium.
    void setSourceMountRoot(const QString& root) { m_sourceMountRoot = root; }

private:
    void leaveModesAtWalkEnd();
    bool listValid(int index) const;

    Host& m_host;
    const WindowWidgets& m_ui;
    OpenSequence& m_open;
    PlaybackControl& m_playback;
    ViewModes& m_viewModes;
    MapPlace& m_mapPlace;
    std::recursive_mutex& m_cache;
    bool m_listAdvancing = false;
    bool m_selectingRow = false; // the window itself moves the list's selection
    bool m_inFolderChange = false; // re-selecting the tree item reports a change again
    QString m_sourceMountRoot; // the mount point the source lies on
};

} // namespace kivora::app
