#include "kivora/settings/SettingsHost.h"

#include "kivora/platform/IniFile.h"
#include "kivora/settings/CInetConnectionAsync.h"
#include "kivora/settings/CSettingDlg.h"
#include "kivora/settings/CUpdateDialog.h"

#include <QRect>

namespace kivora::settings {

SettingsHost::SettingsHost(
    QWidget* mainWindow, platform::MessageTarget target, const std::filesystem::path& settingsFile)
    : m_settings(new CSettingDlg(mainWindow, target))
    , m_check(std::make_unique<CInetConnectionAsync>(target))
{
    m_check->setBaseUrl(platform::IniFile(settingsFile).read("UPDATE", "BASE_URL"));
}

SettingsHost::~SettingsHost()
{
    m_check->stop();
    delete m_updateDialog.data();
    // Without a parent (tests) nobody else deletes it.
    if (m_settings && !m_settings->parent())
        delete m_settings.data();
}

void SettingsHost::showSettings(const QRect& mainWindow)
{
    if (m_settings)
        m_settings->showCentred(mainWindow);
}

void SettingsHost::StartUpdateCheck(
    const std::string& firmware, const std::string& gps, const std::string& modelKey)
{
    m_check->StartUpdateCheck(firmware, gps, modelKey);
}

void SettingsHost::stopUpdateCheck()
{
    m_check->stop();
}

void SettingsHost::showUpdateNotice(const QRect& mainWindow)
{
    const std::string text = m_check->noticeText();
    if (text.empty())
        return;
    delete m_updateDialog.data();
    m_updateDialog = new CUpdateDialog(text, m_check->baseUrl());
    m_updateDialog->showOn(mainWindow.center());
}

void SettingsHost::setSkinStyle(const ui::SkinStyle& style)
{
    if (m_settings)
        m_settings->setSkinStyle(style);
}

std::unique_ptr<ISettingsHost> createSettingsHost(
    QWidget* mainWindow, platform::MessageTarget target, const std::filesystem::path& settingsFile)
{
    return std::make_unique<SettingsHost>(mainWindow, std::move(target), settingsFile);
}

} // namespace kivora::settings
