#include "kivora/app/CkivoraDlg.h"

#include <QTimer>

namespace kivora::app {

std::filesystem::path CkivoraDlg::openMoviePath()
{
    std::lock_guard cache(m_hMutexCache);
    if (!m_open.opened() || !m_open.selectionValid())
        return {};
    const recording::RecordingEntry* entry = m_browser->Entry(m_open.selectedIndex());
    return entry ? entry->path : std::filesystem::path();
}

void CkivoraDlg::closeForFileWork()
{
    m_fileWork.remember(openMoviePath(), m_feed.shownFrame());
    if (engineInitialised() && engineState() == playback::EngineState::Playing)
        m_playback.pair().PauseBoth();
    // The same steps as before an open: the loaders end and the movies and their telemetry are
    // released, so the worker may read, join or delete the files.
    m_openSteps.closeForOpen();
}

void CkivoraDlg::reopenAfterFileWork()
{
    if (!m_fileWork.arm())
        return;
    // At the end of a worker the window selects its recording again; when no worker ran (it
    // could not start), nothing else opens it, so it is opened here once the call returns.
    QTimer::singleShot(0, this, [this] {
        if (m_shutDown || !m_fileWork.armed() || m_open.waiting() || m_playback.main().hasSession())
            return;
        std::lock_guard cache(m_hMutexCache);
        if (m_open.selectionValid())
            m_open.select(m_open.selectedIndex(), { false, true, true }, 0);
    });
}

void CkivoraDlg::resumeAfterFileWork()
{
    if (!m_fileWork.armed())
        return;
    if (const std::optional<std::int64_t> frame = m_fileWork.take(openMoviePath()))
        seekTo(*frame);
}

} // namespace kivora::app
