// The main window's keys and the video's popup menu: both end in the command path.
#include "kivora/app/CkivoraDlg.h"

#include "kivora/app/CMovieMenu.h"
#include "kivora/app/CommandIds.h"
#include "kivora/app/KeyCommands.h"

#include <QKeyEvent>
#include <QLineEdit>

#include <cmath>

namespace kivora::app {

using playback::EngineState;

std::vector<int> CkivoraDlg::popupMenuItems() const
{
    std::vector<int> ids;
    auto* self = const_cast<CkivoraDlg*>(this);
    if (m_worker.workerRunning() || self->busy() || m_open.waiting())
        return ids;
    const int state = engineInitialised() ? static_cast<int>(engineState()) : 0;
    const int aspect = engineInitialised() ? m_playback.main().aspect() : -1;
    for (const MovieMenuItem& item : movieMenuItems(
             state, m_playback.main().rate(), aspect, isFullScreenView(), rearView() != 0, m_languageIndex))
        ids.push_back(item.id);
    return ids;
}

void CkivoraDlg::showPopupMenu(QPoint screenPoint)
{
    if (m_worker.workerRunning() || busy() || m_open.waiting())
        return;
    const int state = engineInitialised() ? static_cast<int>(engineState()) : 0;
    const int aspect = engineInitialised() ? m_playback.main().aspect() : -1;
    CMovieMenu menu(movieMenuItems(state, m_playback.main().rate(), aspect, isFullScreenView(),
                        rearView() != 0, m_languageIndex, [this](int id) { return commandEnabled(id); }),
        m_uiScale, isFullScreenView(), m_fonts.f10(), m_languageIndex, this);
    if (const int id = menu.track(screenPoint))
        runCommand(id);
}

void CkivoraDlg::keyPressEvent(QKeyEvent* event)
{
    const bool playing = engineInitialised() && engineState() == EngineState::Playing;
    const KeyAction action = keyAction(event->key(), event->modifiers(), playing);
    switch (action.kind) {
    case KeyAction::None:
        // Enter and Escape, like every other key, never close the window.
        event->accept();
        return;
    case KeyAction::Command:
        runCommand(action.value);
        break;
    case KeyAction::Frames:
    case KeyAction::Seconds: {
        // A step is a seek: refused where the play button is, and near the end.
        if (!commandEnabled(kCmdPlayPause) || busy())
            break;
        const double period = m_playback.main().GetFramePeriod();
        const std::int64_t step = action.kind == KeyAction::Frames || period <= 0.0
            ? action.value
            : static_cast<std::int64_t>(std::llround(action.value * 1000.0 / period));
        const std::int64_t from = std::max<std::int64_t>(m_feed.shownFrame(), 0);
        seekToFrame(
            std::clamp<std::int64_t>(from + step, 0, std::max<std::int64_t>(0, m_feed.duration() - 1)));
        break;
    }
    }
    event->accept();
}

bool CkivoraDlg::eventFilter(QObject* watched, QEvent* event)
{
    // The panel's list and tree would keep Page, Home, Space and letters for themselves: the
    // window's keys work wherever the focus is inside it. Keys that are not ours (arrows up and
    // down, Enter) stay with the list.
    if (event->type() == QEvent::KeyPress && watched != this) {
        auto* widget = qobject_cast<QWidget*>(watched);
        auto* key = static_cast<QKeyEvent*>(event);
        if (widget && isAncestorOf(widget) && !qobject_cast<QLineEdit*>(widget)
            && keyAction(key->key(), key->modifiers(), false).kind != KeyAction::None) {
            keyPressEvent(key);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool CkivoraDlg::focusNextPrevChild(bool)
{
    // Tab is no key of ours and moves no focus: the window keeps the keys.
    return false;
}

} // namespace kivora::app
