#pragma once

#include "kivora/platform/MessageTable.h"
#include "tests/ui/UiTestApp.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

#include <vector>

namespace kivora::uitest {

// Sends a mouse event to a widget at a local point (which may lie outside it, as while captured).
// `held`: the buttons down during a move (none: the mouse just passes over).
inline void sendMouse(QWidget* widget, QEvent::Type type, QPoint local, Qt::MouseButtons held = Qt::NoButton)
{
    const QPointF global = widget->mapToGlobal(QPointF(local));
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons = type == QEvent::MouseMove ? held
        : type == QEvent::MouseButtonPress                     ? Qt::MouseButtons(Qt::LeftButton)
                                                               : Qt::MouseButtons(Qt::NoButton);
    QMouseEvent event(type, QPointF(local), global, button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

// A parent window that records the private messages posted to it.
class MessageSink : public QWidget {
public:
    struct Message {
        unsigned id;
        platform::WParam wParam;
        platform::LParam lParam;
        bool operator==(const Message&) const = default;
    };

    MessageSink()
    {
        for (unsigned id : { 0x8065u, 0x8066u, 0x8067u })
            m_table.on(id, [this, id](platform::WParam w, platform::LParam l) {
                received.push_back({ id, w, l });
            });
    }

    // Delivers what was posted so far and hands it over.
    std::vector<Message> take()
    {
        QCoreApplication::sendPostedEvents();
        return std::exchange(received, {});
    }

    std::vector<Message> received;

private:
    platform::MessageTable m_table { this };
};

} // namespace kivora::uitest
