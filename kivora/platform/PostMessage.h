#pragma once

#include <QEvent>
#include <QObject>

#include <cstdint>
#include <memory>
#include <mutex>

namespace kivora::platform {

// The two message parameters keep the widths window messages have: an unsigned and a signed
// integer as wide as a pointer.
using WParam = std::uintptr_t;
using LParam = std::intptr_t;

// One private message: its fixed number (each layer keeps the numbers it posts in its own *Messages.h) and
// the two parameters.
class MessageEvent final : public QEvent {
public:
    MessageEvent(unsigned message, WParam wParam, LParam lParam)
        : QEvent(eventType())
        , m_message(message)
        , m_wParam(wParam)
        , m_lParam(lParam)
    {
    }

    // The Qt event type shared by every message; registered once per process.
    static QEvent::Type eventType();

    unsigned message() const { return m_message; }
    WParam wParam() const { return m_wParam; }
    LParam lParam() const { return m_lParam; }

    // Set by the MessageTable that ran a handler for it.
    bool handled() const { return m_handled; }
    void setHandled() { m_handled = true; }

private:
    unsigned m_message;
    WParam m_wParam;
    LParam m_lParam;
    bool m_handled = false;
};

// A handle through which any thread may post to one receiver. Copies share the receiver; once the
// receiver is gone (its MessageTable destroyed) posting through any copy fails instead of reaching
// freed memory. A default-constructed target posts nowhere.
class MessageTarget {
public:
    MessageTarget() = default;

    bool alive() const;
    // Queues the message for the receiver's thread; false when the receiver is gone.
    bool post(unsigned message, WParam wParam = 0, LParam lParam = 0) const;

private:
    friend class MessageTable;
    struct Shared {
        std::mutex mutex; // held while posting and while the receiver detaches
        QObject* receiver = nullptr; // guarded by mutex
    };
    explicit MessageTarget(std::shared_ptr<Shared> shared)
        : m_shared(std::move(shared))
    {
    }

    std::shared_ptr<Shared> m_shared;
};

// Posts a message; returns at once. Any thread.
inline bool postMessage(const MessageTarget& target, unsigned message, WParam wParam = 0, LParam lParam = 0)
{
    return target.post(message, wParam, lParam);
}

// Posts to a receiver the caller knows to be alive for the duration of the call (a child window
// posting to its parent, a window posting to itself). Any thread.
bool postMessage(QObject* target, unsigned message, WParam wParam = 0, LParam lParam = 0);

// Delivers a message at once, in the caller's thread, which must be the receiver's thread (the
// "direct" messages). True when a handler took it.
bool sendMessage(QObject* target, unsigned message, WParam wParam = 0, LParam lParam = 0);

} // namespace kivora::platform
