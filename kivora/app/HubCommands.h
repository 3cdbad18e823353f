#pragma once

#include "kivora/app/IPlayerControl.h"
#include "kivora/recording/RecordingSource.h"

#include <QString>

#include <filesystem>
#include <mutex>

class QWidget;

namespace kivora::browse {
class IBrowserPanel;
}
namespace kivora::exporting {
class IExportCommands;
}
namespace kivora::map {
class IMapView;
}

namespace kivora::app {

class MapPlace;
class OpenSequence;
class PlaybackControl;
class RecordingNavigation;
class ViewFeed;
class ViewModes;
struct WindowWidgets;

// The main window's one command path: the toolbar, the caption buttons, the popup menu, the keys
// and the remote control all come here, pass the same enabling check (shutdown, worker, the
// toolbar's rule) and run the same command on the window's parts. UI thread only.
class HubCommands final : public IPlayerControl {
public:
    // What the commands ask of the window.
    class Host {
    public:
        virtual bool shuttingDown() const = 0;
        virtual bool workerRunning() const = 0;
        virtual browse::IBrowserPanel& browser() const = 0;
        virtual exporting::IExportCommands& exportCommands() const = 0;
        virtual map::IMapView& mapView() const = 0;
        virtual int languageIndex() const = 0;
        virtual bool isFullScreenView() const = 0;
        virtual bool busy() = 0;
        virtual bool play() = 0;
        virtual void pause() = 0;
        virtual void seekTo(std::int64_t frame) = 0;
        virtual void showFrame(std::int64_t frame) = 0;
        virtual void stopBothCameras() = 0;
        virtual int recordingDefaultRate() const = 0;
        virtual void updateSpeedLabel() = 0;
        virtual void setPlayFace(bool pauseFace) = 0;
        virtual void refreshToolbar() = 0;
        virtual void redrawSurfaces() = 0;
        virtual void setKeepAspect(bool keep) = 0;
        virtual void markListEmpty() = 0;
        virtual void closeRecording() = 0;
        virtual bool openSource(const std::filesystem::path& source) = 0;
        virtual bool loadSource(const std::filesystem::path& path, recording::SourceKind kind) = 0;
        virtual void placeChildren() = 0;
        virtual void placeSeparateWindow() = 0;
        virtual void showSettings() = 0;
        virtual void showMessageBox(const QString& text, const QString& caption) = 0;
        // The parent of the dialogs the commands open.
        virtual QWidget& dialogParent() = 0;
        virtual void closeWindow() = 0;

    protected:
        ~Host() = default;
    };

    // The window's parts the commands work on; cache is hMutexCache, which guards the list.
    struct Parts {
        const WindowWidgets& ui;
        OpenSequence& open;
        PlaybackControl& playback;
        ViewModes& viewModes;
        MapPlace& mapPlace;
        ViewFeed& feed;
        RecordingNavigation& navigation;
        std::recursive_mutex& cache;
    };

    HubCommands(Host& host, const Parts& parts)
        : m_host(host)
        , m_p(parts)
    {
    }

    bool runCommand(int commandId) override;
    bool commandEnabled(int commandId) const override;
    bool seekToFrame(std::int64_t frame) override;
    bool setRateCode(int rateCode) override;
    bool openSourcePath(const std::filesystem::path& path) override;
    PlayerStatus status() const override;

private:
    void dispatchCommand(int id);
    void commandTop();
    void commandPrevious();
    void commandPlayPause();
    void commandRate(bool faster);
    void commandNext();
    void commandZoom();
    void commandBrowse();
    void commandSettings();
    void commandMap();
    void commandAspect();
    void commandFilter(int k);

    Host& m_host;
    Parts m_p;
};

} // namespace kivora::app
