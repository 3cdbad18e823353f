#include "kivora/platform/PostMessage.h"

#include <QCoreApplication>

namespace kivora::platform {

QEvent::Type MessageEvent::eventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

bool MessageTarget::alive() const
{
    if (!m_shared)
        return false;
    std::lock_guard lock(m_shared->mutex);
    return m_shared->receiver != nullptr;
}

bool MessageTarget::post(unsigned message, WParam wParam, LParam lParam) const
{
    if (!m_shared)
        return false;
    // Holding the lock keeps the receiver from detaching (and being destroyed) mid-post.
    std::lock_guard lock(m_shared->mutex);
    if (!m_shared->receiver)
        return false;
    QCoreApplication::postEvent(m_shared->receiver, new MessageEvent(message, wParam, lParam));
    return true;
}

bool postMessage(QObject* target, unsigned message, WParam wParam, LParam lParam)
{
    if (!target)
        return false;
    // The event queue takes ownership of the event.
    QCoreApplication::postEvent(target, new MessageEvent(message, wParam, lParam));
    return true;
}

bool sendMessage(QObject* target, unsigned message, WParam wParam, LParam lParam)
{
    if (!target)
        return false;
    MessageEvent event(message, wParam, lParam);
    // QObject accepts every custom event type, so sendEvent's own result says nothing.
    QCoreApplication::sendEvent(target, &event);
    return event.handled();
}

} // namespace kivora::platform
