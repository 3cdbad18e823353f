#pragma once

#include "kivora/platform/PostMessage.h"

#include <QObject>

#include <functional>
#include <unordered_map>

namespace kivora::platform {

// The message handlers of one receiver (usually a window), looked up by message number.
// Make it a member of the receiver, constructed in the receiver's thread; it watches the receiver
// for posted and sent messages and calls the handler registered for the number, in that thread.
// Numbers without an entry pass on to the receiver untouched.
//
//   m_messages.on(kMsgTelemetryLoaded, [this](WParam, LParam loaded) { onTelemetryLoaded(loaded != 0); });
//   worker: postMessage(target, kMsgTelemetryLoaded, 0, ok);   // target = m_messages.target()
class MessageTable final : public QObject {
public:
    using Handler = std::function<void(WParam wParam, LParam lParam)>;

    explicit MessageTable(QObject* receiver);
    // Detaches every MessageTarget first, so no thread can post to the receiver any more.
    ~MessageTable() override;
    MessageTable(const MessageTable&) = delete;
    MessageTable& operator=(const MessageTable&) = delete;

    // Registers (or replaces) the handler of a message number.
    void on(unsigned message, Handler handler);
    // The message is accepted and dropped.
    void ignore(unsigned message);

    // A handle for worker threads and other windows to post through.
    MessageTarget target() const { return MessageTarget(m_shared); }

    // Runs the handler of the message now; false when the number has no entry.
    bool dispatch(unsigned message, WParam wParam, LParam lParam) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QObject* m_receiver;
    std::unordered_map<unsigned, Handler> m_handlers; // receiver's thread only
    std::shared_ptr<MessageTarget::Shared> m_shared;
};

} // namespace kivora::platform
