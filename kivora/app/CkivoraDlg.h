#pragma once

#include "kivora/app/AppSettings.h"
#include "kivora/app/CrashPoints.h"
#include "kivora/app/FileWorkResume.h"
#include "kivora/app/HubCommands.h"
#include "kivora/app/IPlayerControl.h"
#include "kivora/app/MainWindowChrome.h"
#include "kivora/app/MapPlace.h"
#include "kivora/app/OpenSequence.h"
#include "kivora/app/OpenSteps.h"
#include "kivora/app/PlaybackClock.h"
#include "kivora/app/PlaybackControl.h"
#include "kivora/app/RecordingNavigation.h"
#include "kivora/app/SeekInput.h"
#include "kivora/app/ViewFeed.h"
#include "kivora/app/ViewModes.h"
#include "kivora/app/WindowWidgets.h"
#include "kivora/app/WorkerHost.h"
#include "kivora/app/WorkerView.h"
#include "kivora/browse/IBrowserPanel.h"
#include "kivora/export/IExportHost.h"
#include "kivora/map/IMapView.h"
#include "kivora/platform/MessageTable.h"
#include "kivora/platform/TimerTable.h"
#include "kivora/playback/MovieSurfaceOwner.h"
#include "kivora/settings/ISettingsHost.h"
#include "kivora/ui/CResourceImage.h"
#include "kivora/ui/SkinFontSet.h"
#include "kivora/views/EventList.h"
#include "kivora/views/VehicleGauge.h"
#include "kivora/views/ViewTelemetry.h"

#include <QRect>
#include <QString>
#include <QWidget>

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kivora::map {
class EngineTrackSource;
}

namespace kivora::app {

class MprisService;
struct EnabledSet;
struct FrameValues;

// The main window and the hub of the program: it owns the two camera engines, the main video
// surface, the sliders and the telemetry views, receives every private message of the other
// windows and threads, opens recordings (OpenSequence) and runs the 30 ms playback clock that
// shows the main camera's current frame in every view.
// Construction runs the start-up steps; the post-show steps run from a message the window posts
// to itself, once the event loop shows it.
// The state and rules live in its parts (the open steps, the feed, the view modes, the map's place,
// the walk, the commands, the seek input and the worker's view); each reaches the window only
// through its own Host interface, which the window implements privately.
// User-interface thread only, except messageTarget() and the two named locks.
class CkivoraDlg final : public QWidget,
                         public playback::MovieSurfaceOwner,
                         public IPlayerControl,
                         private browse::IBrowserOwner,
                         private WorkerView::Host,
                         private SeekInput::Host,
                         private MapPlace::Host,
                         private ViewModes::Host,
                         private ViewFeed::Host,
                         private RecordingNavigation::Host,
                         private OpenSteps::Host,
                         private HubCommands::Host {
public:
    // source: the folder or movie given on the command line, opened instead of the remembered one.
    explicit CkivoraDlg(
        std::optional<std::filesystem::path> source = std::nullopt, QWidget* parent = nullptr);
    ~CkivoraDlg() override;

    const std::filesystem::path& startFolder() const { return m_startFolder; }
    int languageIndex() const override { return m_languageIndex; }
    const AppSettings& settings() const { return m_settings; }

    // The two named locks, used by this window and the worker threads it starts.
    // hMutexCache guards the recording list and the selected index; the thread holding it may take
    // it again. hMutexCpSet guards the event list sent to the map. Lock order: either of them
    // before any engine lock, never an engine lock before either. Never held across a wait for
    // another thread (the loader threads take hMutexCache, so they are joined without it).
    std::recursive_mutex& hMutexCache() { return m_hMutexCache; }
    std::mutex& hMutexCpSet() { return m_crashPoints.mutex(); }

    // For worker threads and other windows to post messages to this window. Any thread.
    platform::MessageTarget messageTarget() const override { return m_messages.target(); }

    bool keepAspect() const override { return m_keepAspect; }
    int volume() const { return m_volume; }
    // The window scale factors of the normal (neither maximised nor full screen) window.
    double scaleX() const { return m_ui.chrome ? m_ui.chrome->scaleX() : m_scaleX; }
    double scaleY() const { return m_ui.chrome ? m_ui.chrome->scaleY() : m_scaleY; }
    double uiScale() const override { return m_uiScale; }
    bool isInitialised() const { return m_initialised; }
    MprisService* mpris() const { return m_mpris; }

    // Setting the volume: stores it, writes DISPLAY/VOLUME, gives it to the main camera (the sub
    // camera stays silent) and moves the volume slider.
    void setVolume(int volume) override;

    // Called once, after the post-show initialisation.
    void setInitialisedCallback(std::function<void()> callback) { m_onInitialised = std::move(callback); }

    // --- The parts other layers provide ----------------------------------------------------------
    // Stand-ins until their layers are merged; each replacement is set before the window shows.
    void setBrowser(std::unique_ptr<browse::IBrowserPanel> browser);
    void setExportCommands(std::unique_ptr<exporting::IExportCommands> commands)
    {
        m_export = std::move(commands);
    }
    browse::IBrowserPanel& browser() const override { return *m_browser; }
    map::IMapView& mapView() const override { return *m_map; }
    exporting::IWorkerHost& workerHost() { return m_worker; }

    // Windows made after this call get the real map; the caller ran map::prepareWebEngine() before
    // the application existed. Without it (most tests) the map stays a stand-in.
    static void useRealMap(bool on);

    // --- File work (the export commands close the recording and reopen it afterwards) ------------
    // Stops the clock, remembers the open recording and its position, and closes both engines
    // with their telemetry; the selection stays, so the window's end of the worker reopens it.
    void closeForFileWork();
    // The remembered recording opens again at its position once it is ready (when it still exists).
    void reopenAfterFileWork();
    // The open recording's main movie; empty when none is open.
    std::filesystem::path openMoviePath();

    // --- IPlayerControl: the one command path (toolbar, popup menu, keys, remote control) -----------
    bool runCommand(int commandId) override { return m_commands.runCommand(commandId); }
    bool commandEnabled(int commandId) const override { return m_commands.commandEnabled(commandId); }
    bool seekToFrame(std::int64_t frame) override { return m_commands.seekToFrame(frame); }
    bool setRateCode(int rateCode) override { return m_commands.setRateCode(rateCode); }
    bool openSourcePath(const std::filesystem::path& path) override
    {
        return m_commands.openSourcePath(path);
    }
    PlayerStatus status() const override { return m_commands.status(); }

    // --- Sources and recordings -----------------------------------------------------------------
    // Loads a folder or a movie as the source, selects its first folder and so its first
    // recording, which then opens. False when the source holds no recording.
    bool openSource(const std::filesystem::path& source) override;
    // The select step for a recording chosen by the user (slider, graph and panel reset).
    bool selectRecording(int index);
    // Closing the current recording: engines closed, views and marks reset, loader threads joined.
    void closeRecording() override { m_openSteps.closeRecording(); }

    // --- Transport ------------------------------------------------------------------------------
    // The play step of the play button. Ignored (false) until the telemetry is loaded; when the
    // engine does not start, playback starts once the telemetry is in (the play-after-load mark).
    // Also the open sequence's play. True when playback runs.
    bool play() override;
    // Plays now when the recording is loaded, else as soon as it is (start-up's autoplay hook).
    void requestPlay();
    // Pauses and returns to the recording's default rate.
    void pause() override;
    // Seeks to frame n keeping the engine's current state (playing, paused or stopped).
    void seekTo(std::int64_t frame) override;
    // The graph's previous and next event (as its clicks post them).
    void previousEvent();
    void nextEvent();
    // Zoom mode: a click on the video zooms it (x1, x2, x3); leaving resets both cameras' zoom.
    void setZoomMode(bool on) { m_viewModes.setZoomMode(on); }
    bool zoomMode() const { return m_viewModes.zoomMode(); }
    const std::array<playback::ZoomState, 2>& zoomStates() const { return m_viewModes.zoom(); }

    // --- The window's chrome ----------------------------------------------------------------------
    // Full screen over the monitor of the window's top-left corner (see ViewModes).
    bool enterFullScreen() { return m_viewModes.enterFullScreen(); }
    void leaveFullScreen() { m_viewModes.leaveFullScreen(); }
    bool isFullScreenView() const override { return m_ui.chrome && m_ui.chrome->isFullScreen(); }
    MainWindowChrome* chrome() const { return m_ui.chrome; }
    // 0 close, 1 maximise, 2 minimise.
    ui::CSkinButton* captionButton(int i) const { return m_ui.captionButtons.at(std::size_t(i)); }

    // --- State the tests and the other windows read -----------------------------------------------
    const OpenSequence& openSequence() const { return m_open; }
    Toolbar* toolbar() const { return m_ui.toolbar; }
    CLogoDlg* logoPanel() const { return m_ui.logo; }
    int logoMode() const { return m_mapPlace.logoMode(); }
    bool mapSwitch() const { return m_map->mapSwitch(); }
    bool listMarkedEmpty() const { return m_listEmpty; }
    // The popup menu's items for the state now (ids, 0 for a separator, in order); empty when no
    // menu may open. The menu itself is modal; tests read what it would hold.
    std::vector<int> popupMenuItems() const;
    // The rear camera picture in the corner of the video: off, picture-in-picture, swapped.
    int rearView() const { return m_viewModes.rearView(); }
    void setRearView(int mode) { m_viewModes.setRearView(mode); }
    playback::CMovieStatic* subSurface() const { return m_ui.subSurface; }
    playback::MovieEngine& mainEngine() { return m_playback.main(); }
    playback::MovieEngine& subEngine() { return m_playback.sub(); }
    playback::CMovieStatic* mainSurface() const { return m_ui.mainSurface; }
    views::CInfoDlg* infoPanel() const { return m_ui.info; }
    views::CGSensorDlg* graph() const { return m_ui.graph; }
    CMovieDialog* separateWindow() const { return m_ui.movieDialog; }
    ui::CSkinSliderCtrl* positionSlider() const { return m_ui.positionSlider; }
    ui::CSkinSliderCtrl* volumeSlider() const { return m_ui.volumeSlider; }
    ui::CSkinProgressBarCtrl* progressBar() const { return m_ui.progress; }
    // The frame the views show (-1 before the first).
    std::int64_t shownFrameIndex() const { return m_feed.shownFrame(); }
    // The file name of the selected recording; empty without one.
    std::string shownRecordingName();
    bool clockRunning() const;
    bool nearEndLock() const { return m_clock.nearEndLock(); }
    // The play button's face: true for "pause" (playback runs), false for "play".
    bool playFaceIsPause() const { return m_playFacePause; }
    // The frame the last shown frame's values came from, and the time they were handed out.
    std::int64_t fedFrame() const { return m_feed.shownFrame(); }
    // The marks the map choice reads: a valid GPS position to show, a position out of range, and
    // whether the map may be shown at all.
    bool mapHasData() const { return m_mapPlace.mapHasData(); }
    bool busy() override { return m_playback.busy(m_open.opened()); }
    // Neither loader thread has work left unjoined.
    bool loadersIdle() const { return m_playback.loadersIdle(); }
    const std::vector<views::EventEntry>& eventList() const { return m_crashPoints.events(); }
    const std::array<std::int32_t, views::kVehicleQuantities>& vehicleQuantities() const
    {
        return m_feed.vehicle().values();
    }

    // MovieSurfaceOwner: the camera surface's reports, direct, on the UI thread.
    void onSurfaceContextMenu(QPoint screenPoint, playback::CMovieStatic& surface) override;
    void onSurfaceGraphEvent(unsigned wParam, long lParam) override;
    void onSurfaceMovieEnded() override;
    void onSurfaceMovieReady() override;
    void onSurfaceSingleClick(int cameraIndex, QPoint clientPoint) override;
    void onSurfaceDoubleClick(int cameraIndex) override;
    void onSurfaceReapplyZoom() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Start-up and shutdown (CkivoraDlg.cpp).
    void initialise();
    void createChildren();
    void createCaptionButtons();
    void createChrome();
    void setUiScale(double uiScale);
    void applyChromeState(const WindowChromeState::Actions& actions);
    bool workerRunning() const override { return m_worker.workerRunning(); }
    void registerMessages();
    void placeChildren() override;
    void placeSeparateWindow() override;
    // The real map in place of the stand-in, where the web engine was prepared for it.
    void createMap();
    // The map's group track follows the list the folder selection just made.
    void giveMapGroup() override;
    void onPostShowInit();
    void onTimer(int id);
    void shutdown();

    // Messages (CkivoraDlgMessages.cpp).
    void showPopupMenu(QPoint screenPoint);

    // Commands (CkivoraDlgCommands.cpp).
    void applyEnabled(const EnabledSet& enabled) override;
    void disableEverything(bool worker) override;
    bool loadSource(const std::filesystem::path& path, recording::SourceKind kind) override;
    void onSourceLoaded();
    void startUpdateCheckOnce();
    // WorkerView::Host.
    void showProgress(int percent, bool repaintNow) override;
    void hideProgress() override;
    void showMessageBox(const QString& text, const QString& caption) override;
    void postToWindow(unsigned message, platform::WParam wParam, platform::LParam lParam) override;
    // SeekInput::Host.
    bool positionPressedOutsideThumb() const override;
    std::int64_t graphStep() const override;
    const views::EventChannels& graphChannels() const override;
    // MapPlace::Host.
    bool recordingHasGps() override;
    void repaintWindow() override { update(); }
    // RecordingNavigation::Host.
    void resetRecordingState() override { m_openSteps.resetRecordingState(); }
    void markListEmpty() override { m_listEmpty = true; }
    void closeWindow() override { close(); }
    // OpenSteps::Host.
    exporting::IExportCommands& exportCommands() const override { return *m_export; }
    void startClockTimer() override;
    // HubCommands::Host.
    bool shuttingDown() const override { return m_shutDown; }
    void showSettings() override;
    QWidget& dialogParent() override { return *this; }

    // Navigation (CkivoraDlgNavigation.cpp).
    void onFolderChanged(browse::FolderNode* item) override { m_navigation.onFolderChanged(item); }
    void onRecordingSelected(int row) override { m_navigation.onRecordingSelected(row); }
    void onFilterCommand(int k) override { runCommand(38700 + k); }
    recording::RecordingEntry* selectedEntry() override;

    // Playback (CkivoraDlgPlayback.cpp).
    void showFrame(std::int64_t frame) override { m_feed.showFrame(frame); }
    void placeRearView() { m_viewModes.placeRearView(); }
    void seekWithState(std::int64_t frame, playback::EngineState state) override
    {
        m_feed.seekWithState(frame, state);
    }
    void stopBothCameras() override;
    void applyVolume() override { m_playback.applyVolume(m_volume); }
    void updateSpeedLabel() override;
    void setKeepAspect(bool keep) override;
    int recordingDefaultRate() const override;
    bool engineInitialised() const { return m_playback.initialised(); }
    playback::EngineState engineState() const { return m_playback.state(); }
    void refreshMapChoice() override { m_mapPlace.refreshMapChoice(); }
    void joinLoaders() { m_playback.joinLoaders(); }
    void checkEngineReady(int attempt);
    // After a file command: seeks the reopened recording back to where it was (CkivoraDlgFileWork.cpp).
    void resumeAfterFileWork() override;

    // Steps the open sequence shares with the rest of the window.
    int listSize() const override;
    void startTimer(int id, int ms) override;
    void cancelTimer(int id) override { m_timers.kill(id); }
    void refreshToolbar() override;
    void beginWait() override;
    void enableToolbar() override;
    void setPlayFace(bool pauseFace) override;
    void redrawSurfaces() override;

    std::optional<std::filesystem::path> m_initialSource;
    std::filesystem::path m_startFolder; // the working folder as read at start-up; empty if unreadable
    AppSettings m_settings;
    int m_languageIndex = 0;
    bool m_keepAspect = false;
    int m_volume = AppSettings::kMaxVolume;
    double m_scaleX = 1.0;
    double m_scaleY = 1.0;
    double m_uiScale = 1.0;
    double m_dpiRatio = 1.0;
    ui::SkinFontSet m_fonts; // remade with the scale
    ui::CResourceImage m_images; // the skin frame and the other window pictures
    bool m_firstPaintDone = false;
    QRect m_windowRect;
    bool m_initialised = false;
    bool m_shutDown = false;
    std::function<void()> m_onInitialised;

    // The parts other layers provide (stand-ins until then). The list is guarded by hMutexCache.
    std::unique_ptr<browse::IBrowserPanel> m_browser;
    std::unique_ptr<map::EngineTrackSource> m_mapTracks; // the real map's tracks; outlives m_map
    std::unique_ptr<map::IMapView> m_map;
    std::unique_ptr<exporting::IExportCommands> m_export;
    std::unique_ptr<settings::ISettingsHost> m_settingsHost;

    // The playback state of the window (UI thread).
    OpenSteps m_openSteps { *this,
        { m_ui, m_open, m_playback, m_clock, m_crashPoints, m_feed, m_mapPlace, m_viewModes, m_navigation,
            m_hMutexCache } };
    OpenSequence m_open { m_openSteps };
    PlaybackClock m_clock;
    bool m_listEmpty = true; // the CSV button's mark
    bool m_updateCheckStarted = false;
    bool m_playFacePause = false;
    bool m_controlsEnabled = true;
    CrashPoints m_crashPoints; // the map's event list, guarded by hMutexCpSet
    FileWorkResume m_fileWork; // the recording closed for a file command

    std::recursive_mutex m_hMutexCache;

    // The engines and their loaders. Destroyed before the child widgets (the surface must outlive
    // every open movie).
    PlaybackControl m_playback;

    // Children, owned by Qt.
    WindowWidgets m_ui;
    MprisService* m_mpris = nullptr; // the desktop's remote control, from the post-show step on

    ViewModes m_viewModes { *this, m_ui, m_open, m_playback, m_settings };
    MapPlace m_mapPlace { *this, m_ui, m_open, m_playback, m_crashPoints };
    RecordingNavigation m_navigation { *this, m_ui, m_open, m_playback, m_viewModes, m_mapPlace,
        m_hMutexCache };
    HubCommands m_commands { *this,
        { m_ui, m_open, m_playback, m_viewModes, m_mapPlace, m_feed, m_navigation, m_hMutexCache } };
    ViewFeed m_feed { *this, m_ui, m_open, m_playback, m_clock, m_mapPlace };
    platform::MessageTable m_messages { this };
    WorkerHost m_worker { m_messages.target(), [this] { m_workerView.started(); } };
    WorkerView m_workerView { *this, m_worker, m_open, m_hMutexCache };
    SeekInput m_seekInput { *this, m_open, m_playback, m_crashPoints };
    platform::TimerTable m_timers { [this](int id) { onTimer(id); } };
};

} // namespace kivora::app
