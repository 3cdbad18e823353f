#include "kivora/app/CkivoraDlg.h"

#include "kivora/app/Language.h"
#include "kivora/app/TimerIds.h"
#include "kivora/platform/MessageIds.h"

#include <QCloseEvent>

#include <algorithm>

namespace kivora::app {

using namespace kivora::platform;

namespace {
double windowScale(std::optional<double> stored)
{
    return std::clamp(stored.value_or(1.0), 1.0, CkivoraDlg::kMaxWindowScale);
}
} // namespace

CkivoraDlg::CkivoraDlg(std::optional<std::filesystem::path> source, QWidget* parent)
    : QWidget(parent)
    , m_initialSource(std::move(source))
{
    initialise();
}

CkivoraDlg::~CkivoraDlg()
{
    // The event loop may end without a close (the session quits the application).
    shutdown();
}

// Later steps use what earlier steps made; keep the order.
void CkivoraDlg::initialise()
{
    // The named locks are members: creating them cannot fail.
    m_languageIndex = systemLanguageIndex();

    std::error_code ec;
    m_startFolder = std::filesystem::current_path(ec);
    if (ec)
        m_startFolder.clear();
    m_settings = AppSettings(m_startFolder);

    setWindowTitle(QStringLiteral("Ondrasil"));
    m_windowRect = geometry();

    m_settings.seedIfMissing();

    m_keepAspect = m_settings.keepAspect();
    m_volume = m_settings.volume();

    resize(kDesignWidth, kDesignHeight);
    setVolume(m_volume);

    m_scaleX = windowScale(m_settings.scaleX());
    m_scaleY = windowScale(m_settings.scaleY());
    resize(static_cast<int>(kDesignWidth * m_scaleX), static_cast<int>(kDesignHeight * m_scaleY));

    m_messages.on(kMsgPostShowInit, [this](WParam, LParam) { onPostShowInit(); });
    for (unsigned ignored : { kMsgListDoubleClick, kMsgVehicleWindowClosed, kMsgVideoWindowClosed })
        m_messages.ignore(ignored);
    postMessage(this, kMsgPostShowInit);
}

void CkivoraDlg::onPostShowInit()
{
    if (m_initialised || m_shutDown)
        return;
    m_windowRect = geometry();
    m_initialised = true;
    if (m_onInitialised)
        m_onInitialised();
}

void CkivoraDlg::onTimer(int id)
{
    switch (id) {
    default:
        m_timers.kill(id);
        break;
    }
}

void CkivoraDlg::setVolume(int volume)
{
    m_volume = std::clamp(volume, 0, AppSettings::kMaxVolume);
    m_settings.setVolume(m_volume);
}

void CkivoraDlg::closeEvent(QCloseEvent* event)
{
    shutdown();
    event->accept();
}

void CkivoraDlg::shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;

    // The factors describe the normal window, not a maximised or full-screen one.
    if (isMaximized() || isFullScreen())
        showNormal();
    m_settings.setScale(m_scaleX, m_scaleY);

    m_timers.kill(kTimerClock);

    // Taking each lock once waits out any worker that still holds it.
    {
        std::lock_guard cache(m_hMutexCache);
    }
    {
        std::lock_guard cpSet(m_hMutexCpSet);
    }

    m_timers.killAll();
}

} // namespace kivora::app
