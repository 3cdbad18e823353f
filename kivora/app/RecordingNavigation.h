#pragma once

#include <QString>

#include <filesystem>

namespace kivora::browse {
class FolderNode;
}

namespace kivora::app {

class CkivoraDlg;

// The mount point that holds the path (the medium a card is on). Empty when unknown.
QString mountRoot(const std::filesystem::path& path);

// The walk between recordings of the main window: the end of a movie goes on with the next
// recording at the same rate, then the first recording of the next folder that has any, and at the
// end of everything back to the last recording's first frame, stopped; the folder change; and a
// source that went away. UI thread only; owned by the window it walks.
class RecordingNavigation {
public:
    explicit RecordingNavigation(CkivoraDlg& hub)
        : m_hub(hub)
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
    // The source's medium went away.
    void onSourceRemoved();
    // The rate of the selected recording's kind, when the engines run another one.
    void restoreRateToDefault();

private:
    void leaveModesAtWalkEnd();

    CkivoraDlg& m_hub;
};

} // namespace kivora::app
