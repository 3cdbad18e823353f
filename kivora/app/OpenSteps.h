#pragma once

#include "kivora/app/IPlayerControl.h"
#include "kivora/app/OpenSequence.h"
#include "kivora/platform/PostMessage.h"

#include <QString>

#include <cstdint>
#include <filesystem>
#include <mutex>

namespace kivora::browse {
class IBrowserPanel;
}
namespace kivora::recording {
struct RecordingEntry;
}
namespace kivora::exporting {
class IExportCommands;
}

namespace kivora::app {

class CrashPoints;
class MapPlace;
class PlaybackClock;
class PlaybackControl;
class RecordingNavigation;
class ViewFeed;
class ViewModes;
struct WindowWidgets;

// Titles of the separate window: "map" for recorder movies, "main camera" for other movies.
inline constexpr int kSlotMapTitle = 151;
inline constexpr int kSlotMainCameraTitle = 145;

// The main window's side of opening and closing a recording: what each step of the open sequence
// does to the engines, the views and the loaders, and how a failed open is reported. UI thread only.
class OpenSteps final : public OpenSequence::Host {
public:
    // What the steps ask of the window.
    class Host {
    public:
        virtual browse::IBrowserPanel& browser() const = 0;
        virtual exporting::IExportCommands& exportCommands() const = 0;
        virtual PlayerStatus status() const = 0;
        virtual int listSize() const = 0;
        virtual int languageIndex() const = 0;
        virtual double uiScale() const = 0;
        virtual bool keepAspect() const = 0;
        virtual platform::MessageTarget messageTarget() const = 0;
        // A single shot of the window's timer id, and the 30 ms clock's repeating one.
        virtual void startTimer(int id, int ms) = 0;
        virtual void cancelTimer(int id) = 0;
        virtual void startClockTimer() = 0;
        virtual void stopBothCameras() = 0;
        virtual bool play() = 0;
        virtual void setPlayFace(bool pauseFace) = 0;
        virtual void refreshToolbar() = 0;
        virtual void beginWait() = 0;
        virtual void enableToolbar() = 0;
        virtual void disableEverything(bool worker) = 0;
        virtual void redrawSurfaces() = 0;
        virtual void updateSpeedLabel() = 0;
        virtual void applyVolume() = 0;
        virtual int recordingDefaultRate() const = 0;
        virtual void resumeAfterFileWork() = 0;
        virtual void showMessageBox(const QString& text, const QString& caption) = 0;

    protected:
        ~Host() = default;
    };

    // The window's parts the steps work on; cache is hMutexCache, which guards the list.
    struct Parts {
        const WindowWidgets& ui;
        OpenSequence& open;
        PlaybackControl& playback;
        PlaybackClock& clock;
        CrashPoints& crashPoints;
        ViewFeed& feed;
        MapPlace& mapPlace;
        ViewModes& viewModes;
        RecordingNavigation& navigation;
        std::recursive_mutex& cache;
    };

    OpenSteps(Host& host, const Parts& parts)
        : m_host(host)
        , m_p(parts)
    {
    }

    int listSize() const override;
    bool listAdvancing() const override;
    bool listLoading() const override;
    void startTimer(int id, int ms) override;
    void killTimer(int id) override;
    void stopBoth() override;
    void clearMapHasData() override;
    void applySwitches(const SelectSwitches& switches) override;
    void refreshToolbar() override;
    void beginWait() override;
    void endWait() override;
    void closeForOpen() override;
    int openBoth(int index) override;
    void openSucceeded(int index) override;
    void openFailed() override;
    void showOpenError(int slot) override;
    void enableToolbar() override;
    void leaveZoom() override;
    void clearNearEndLock() override;
    bool selectNextRecording() override;
    void nextFolder() override;
    void redrawSurfaces() override;
    void prepareReady() override;
    void startLoader(std::uint64_t generation) override;
    void startPreloader() override;
    void applyVolumeAndRate() override;
    bool play() override;
    void setPlayFace(bool pauseFace) override;
    void startClock() override;
    void afterTelemetryLoaded() override;

    // Closing the current recording: engines closed, views and marks reset, loader threads joined.
    void closeRecording();
    // Views, marks and loaders back to "no recording"; the engines are left as they are.
    void resetRecordingState();
    // The source now loaded keeps a voltage trace ("pvtrace.txt" in the root of a card).
    void setVoltageTrace(bool on) { m_voltageTrace = on; }

private:
    // The path of a row of the list (empty outside it); takes hMutexCache. Any thread.
    std::filesystem::path listPath(int index);
    // The row's entry, under the cache; null outside the list.
    recording::RecordingEntry* entryAt(int index) const;

    Host& m_host;
    Parts m_p;
    bool m_voltageTrace = false;
};

} // namespace kivora::app
