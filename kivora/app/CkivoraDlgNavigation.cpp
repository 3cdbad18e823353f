// The main window's list and sources: loading a source and selecting a recording.
#include "kivora/app/CkivoraDlg.h"

#include "kivora/recording/CardLayout.h"

namespace kivora::app {

using namespace kivora::platform;
using playback::EngineState;

// --- The list -------------------------------------------------------------------------------------

int CkivoraDlg::listSize() const
{
    return m_browser->Count();
}

recording::RecordingEntry* CkivoraDlg::selectedEntry()
{
    return m_open.selectionValid() ? m_browser->Entry(m_open.selectedIndex()) : nullptr;
}

std::string CkivoraDlg::shownRecordingName()
{
    std::lock_guard cache(m_hMutexCache);
    const recording::RecordingEntry* entry = selectedEntry();
    return entry ? entry->path.filename().string() : std::string();
}

void CkivoraDlg::setBrowser(std::unique_ptr<browse::IBrowserPanel> browser)
{
    if (browser)
        m_browser = std::move(browser);
}

// --- Sources -----------------------------------------------------------------------------------

bool CkivoraDlg::loadSource(const std::filesystem::path& path, recording::SourceKind kind)
{
    closeRecording();
    m_open.setSelectedIndex(-1);
    {
        // A single movie is selected, and so opened, within the load.
        std::lock_guard cache(m_hMutexCache);
        m_browser->LoadSource(path, kind);
    }
    std::error_code ec;
    m_openSteps.setVoltageTrace(kind != recording::SourceKind::SingleFiles
        && std::filesystem::is_directory(path, ec) && recording::IsRecorderCard(path)
        && std::filesystem::exists(path / "pvtrace.txt", ec));
    m_navigation.setSourceMountRoot(mountRoot(path));
    // The first folder's change report selects its first recording, which then opens.
    m_browser->SelectInitialFolder();
    if (m_browser->loading())
        return true; // the rest follows in onSourceLoaded
    onSourceLoaded();
    return m_browser->Count() > 0;
}

void CkivoraDlg::onSourceLoaded()
{
    if (m_browser->loading())
        return;
    const std::optional<recording::SourceKind> kind = m_browser->sourceKind();
    m_listEmpty = kind != recording::SourceKind::Card || m_browser->AllRecordings().empty();
    refreshToolbar();
    startUpdateCheckOnce();
}

void CkivoraDlg::startUpdateCheckOnce()
{
    // A card's identity is known only once its load is done.
    if (!m_initialised || m_updateCheckStarted || !m_settingsHost || m_browser->loading())
        return;
    m_updateCheckStarted = true;
    const browse::RecorderIdentity id = m_browser->recorderIdentity();
    m_settingsHost->StartUpdateCheck(id.firmwareVersion, id.gpsDataVersion, id.modelKey);
}

bool CkivoraDlg::openSource(const std::filesystem::path& source)
{
    std::error_code ec;
    const bool folder = std::filesystem::is_directory(source, ec);
    const recording::SourceKind kind = !folder ? recording::SourceKind::SingleFiles
        : recording::IsRecorderCard(source)    ? recording::SourceKind::Card
                                               : recording::SourceKind::Folder;
    return loadSource(source, kind);
}

bool CkivoraDlg::selectRecording(int index)
{
    std::lock_guard cache(m_hMutexCache);
    m_navigation.selectListRow(index, 0);
    return m_open.select(index, { true, true, true }, 0);
}

} // namespace kivora::app
