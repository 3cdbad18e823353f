#pragma once

#include <QObject>

#include <chrono>
#include <functional>
#include <vector>

class QTimerEvent;

namespace kivora::platform {

// Numbered timers of one window, the way window timers work: start(id) with an id that runs
// already restarts it with the new period, kill(id) stops it, and the handler is told the id.
// Make it a member of the window, constructed in the window's thread; start and kill only from
// that thread (timers belong to a thread). Ticks of a killed timer never arrive.
class TimerTable final : public QObject {
public:
    enum class Shot { Repeating, Single };
    using Handler = std::function<void(int id)>;

    explicit TimerTable(Handler handler)
        : m_handler(std::move(handler))
    {
    }
    ~TimerTable() override { killAll(); }
    TimerTable(const TimerTable&) = delete;
    TimerTable& operator=(const TimerTable&) = delete;

    // A single-shot timer is stopped before its handler runs, so the handler may start it again.
    void start(int id, std::chrono::milliseconds period, Shot shot = Shot::Repeating);
    // False when the timer was not running.
    bool kill(int id);
    void killAll();
    bool isActive(int id) const;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    struct Entry {
        int id;
        int qtId;
        bool single;
    };
    std::vector<Entry> m_entries; // owner's thread only
    Handler m_handler;
};

} // namespace kivora::platform
