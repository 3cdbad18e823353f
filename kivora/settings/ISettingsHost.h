#pragma once

#include <string>

class QRect;

namespace kivora::ui {
struct SkinStyle;
}

namespace kivora::settings {

// The settings window and the update check as the main window uses them. UI thread only.
class ISettingsHost {
public:
    virtual ~ISettingsHost() = default;
    // Command 38011: the settings window shows, centred on the monitor that holds the centre of
    // `mainWindow`.
    virtual void showSettings(const QRect& mainWindow) = 0;
    // Once per run, after the initial source is loaded (post-show step).
    virtual void StartUpdateCheck(
        const std::string& firmware, const std::string& gps, const std::string& modelKey)
        = 0;
    // Shutdown: a running check is aborted (within a second).
    virtual void stopUpdateCheck() = 0;
    // WM_UPDATE_NOTICE (0x87d1): shows the update dialog with the check's notice, centred on the
    // monitor that holds the centre of `mainWindow`.
    virtual void showUpdateNotice(const QRect& /*mainWindow*/) { }
    // A new layout scale (DPI change): the settings window lays itself out again.
    virtual void setSkinStyle(const ui::SkinStyle& /*style*/) { }
};

} // namespace kivora::settings
