#include "kivora/app/CkivoraDlg.h"

#include <QTimer>

#include <algorithm>
#include <utility>

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
    m_fileWorkResume = false;
    m_fileWorkMovie = openMoviePath();
    m_fileWorkFrame = m_fileWorkMovie.empty() ? -1 : std::max<std::int64_t>(m_feed.shownFrame(), 0);
    if (engineInitialised() && engineState() == playback::EngineState::Playing)
        m_playback.pair().PauseBoth();
    // The same steps as before an open: the loaders end and the movies and their telemetry are
    // released, so the worker may read, join or delete the files.
    m_openSteps.closeForOpen();
}

void CkivoraDlg::reopenAfterFileWork()
{
    std::error_code ec;
    if (m_fileWorkMovie.empty() || !std::filesystem::exists(m_fileWorkMovie, ec)) {
        m_fileWorkMovie.clear();
        return;
    }
    m_fileWorkResume = true;
    // At the end of a worker the window selects its recording again; when no worker ran (it
    // could not start), nothing else opens it, so it is opened here once the call returns.
    QTimer::singleShot(0, this, [this] {
        if (m_shutDown || !m_fileWorkResume || m_open.waiting() || m_playback.main().hasSession())
            return;
        std::lock_guard cache(m_hMutexCache);
        if (m_open.selectionValid())
            m_open.select(m_open.selectedIndex(), { false, true, true }, 0);
    });
}

void CkivoraDlg::resumeAfterFileWork()
{
    if (!m_fileWorkResume)
        return;
    m_fileWorkResume = false;
    const std::filesystem::path movie = std::exchange(m_fileWorkMovie, {});
    if (m_fileWorkFrame > 0 && openMoviePath() == movie)
        seekTo(m_fileWorkFrame);
    m_fileWorkFrame = -1;
}

} // namespace kivora::app
