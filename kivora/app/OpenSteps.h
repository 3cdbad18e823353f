#pragma once

#include "kivora/app/OpenSequence.h"

#include <cstdint>
#include <filesystem>

namespace kivora::app {

class CkivoraDlg;

// The main window's side of opening and closing a recording: what each step of the open sequence
// does to the engines, the views and the loaders, and how a failed open is reported. UI thread only.
class OpenSteps final : public OpenSequence::Host {
public:
    explicit OpenSteps(CkivoraDlg& dlg)
        : m_dlg(dlg)
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

private:
    // The path of a row of the list (empty outside it); takes hMutexCache. Any thread.
    std::filesystem::path listPath(int index);

    CkivoraDlg& m_dlg;
};

} // namespace kivora::app
