#include "kivora/platform/MessageTable.h"

namespace kivora::platform {

MessageTable::MessageTable(QObject* receiver)
    : m_receiver(receiver)
    , m_shared(std::make_shared<MessageTarget::Shared>())
{
    m_shared->receiver = receiver;
    receiver->installEventFilter(this);
}

MessageTable::~MessageTable()
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->receiver = nullptr;
    // Messages already queued are dropped by QObject when the receiver itself goes.
}

void MessageTable::on(unsigned message, Handler handler)
{
    m_handlers[message] = std::move(handler);
}

void MessageTable::ignore(unsigned message)
{
    m_handlers[message] = [](WParam, LParam) {};
}

bool MessageTable::dispatch(unsigned message, WParam wParam, LParam lParam) const
{
    const auto it = m_handlers.find(message);
    if (it == m_handlers.end())
        return false;
    // A copy, so a handler may replace its own entry while it runs.
    const Handler handler = it->second;
    handler(wParam, lParam);
    return true;
}

bool MessageTable::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_receiver || event->type() != MessageEvent::eventType())
        return false;
    auto* message = static_cast<MessageEvent*>(event);
    if (!dispatch(message->message(), message->wParam(), message->lParam()))
        return false;
    message->setHandled();
    return true;
}

} // namespace kivora::platform
