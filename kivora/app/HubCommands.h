#pragma once

#include "kivora/app/IPlayerControl.h"

namespace kivora::app {

class CkivoraDlg;

// The main window's one command path: the toolbar, the caption buttons, the popup menu, the keys
// and the remote control all come here, pass the same enabling check (shutdown, worker, the
// toolbar's rule) and run the same command on the window's parts. UI thread only; owned by the
// window it acts on.
class HubCommands final : public IPlayerControl {
public:
    explicit HubCommands(CkivoraDlg& hub)
        : m_hub(hub)
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

    CkivoraDlg& m_hub;
};

} // namespace kivora::app
