#include "kivora/platform/TimerTable.h"

#include <QTimerEvent>

#include <algorithm>

namespace kivora::platform {

void TimerTable::start(int id, std::chrono::milliseconds period, Shot shot)
{
    kill(id);
    // Precise: the 30 ms clock would drift by up to 5 % with Qt's coarse timers.
    const int qtId = startTimer(period, Qt::PreciseTimer);
    if (qtId != 0)
        m_entries.push_back({ id, qtId, shot == Shot::Single });
}

bool TimerTable::kill(int id)
{
    const auto it
        = std::find_if(m_entries.begin(), m_entries.end(), [id](const Entry& e) { return e.id == id; });
    if (it == m_entries.end())
        return false;
    killTimer(it->qtId);
    m_entries.erase(it);
    return true;
}

void TimerTable::killAll()
{
    for (const Entry& e : m_entries)
        killTimer(e.qtId);
    m_entries.clear();
}

bool TimerTable::isActive(int id) const
{
    return std::any_of(m_entries.begin(), m_entries.end(), [id](const Entry& e) { return e.id == id; });
}

void TimerTable::timerEvent(QTimerEvent* event)
{
    const auto it = std::find_if(
        m_entries.begin(), m_entries.end(), [event](const Entry& e) { return e.qtId == event->timerId(); });
    if (it == m_entries.end())
        return;
    const int id = it->id;
    if (it->single)
        kill(id);
    if (m_handler)
        m_handler(id);
}

} // namespace kivora::platform
