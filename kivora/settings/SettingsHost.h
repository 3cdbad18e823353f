#pragma once

#include "kivora/platform/PostMessage.h"
#include "kivora/settings/ISettingsHost.h"

#include <QPointer>

#include <filesystem>
#include <memory>

class QWidget;

namespace kivora::settings {

class CInetConnectionAsync;
class CSettingDlg;
class CUpdateDialog;

// The settings layer behind ISettingsHost: the settings window (created at once, kept hidden), the
// update check, and the update dialog of its notice. UI thread only.
class SettingsHost final : public ISettingsHost {
public:
    // mainWindow: parent of the settings window; target: where the switches and the notice are
    // posted; settingsFile: the settings file, read for UPDATE/BASE_URL (none: no check).
    SettingsHost(
        QWidget* mainWindow, platform::MessageTarget target, const std::filesystem::path& settingsFile);
    // Stops the check and destroys the update dialog.
    ~SettingsHost() override;

    void showSettings(const QRect& mainWindow) override;
    void StartUpdateCheck(
        const std::string& firmware, const std::string& gps, const std::string& modelKey) override;
    void stopUpdateCheck() override;
    void showUpdateNotice(const QRect& mainWindow) override;
    void setSkinStyle(const ui::SkinStyle& style) override;

    CSettingDlg* settingsWindow() const { return m_settings; }
    CUpdateDialog* updateDialog() const { return m_updateDialog; }
    CInetConnectionAsync& updateCheck() const { return *m_check; }

private:
    QPointer<CSettingDlg> m_settings; // child of the main window
    std::unique_ptr<CInetConnectionAsync> m_check;
    QPointer<CUpdateDialog> m_updateDialog; // top-level; deletes itself when closed
};

// What the main window constructs at start-up (step 9 of its initialisation).
std::unique_ptr<ISettingsHost> createSettingsHost(
    QWidget* mainWindow, platform::MessageTarget target, const std::filesystem::path& settingsFile);

} // namespace kivora::settings
