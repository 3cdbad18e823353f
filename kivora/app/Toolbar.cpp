#include "kivora/app/Toolbar.h"

#include "kivora/app/MainLayout.h"
#include "kivora/ui/CSkinButton.h"
#include "kivora/ui/UiTextQt.h"

namespace kivora::app {

const std::array<Toolbar::Button, kToolbarButtons>& Toolbar::buttons()
{
    static const std::array<Button, kToolbarButtons> table { {
        { kCmdTop, 154, 20 },
        { kCmdPrevious, 144, 13 },
        { kCmdPlayPause, kPlayStrip, kPlayTooltip },
        { kCmdSlower, 142, 17 },
        { kCmdFaster, 139, 4 },
        { kCmdNext, 145, 9 },
        { kCmdStill, 153, 19 },
        { kCmdSave, 150, 1 },
        { kCmdZoom, 200, 21 },
        { kCmdBrowse, 146, 10 },
        { kCmdDelete, 138, 3 },
        { kCmdSettings, 151, 16 },
        { kCmdCsv, 137, 2 },
        { kCmdMap, 357, 150 },
    } };
    return table;
}

Toolbar::Toolbar(QWidget* parent, int languageIndex, std::function<void(int)> onCommand)
    : QObject(parent)
    , m_languageIndex(languageIndex)
{
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        const Button& b = buttons()[i];
        auto* button = new ui::CSkinButton(parent, b.id);
        button->setToolTip(ui::uiQText(b.tooltipSlot, languageIndex));
        connect(button, &QAbstractButton::clicked, this, [onCommand, id = b.id] { onCommand(id); });
        m_buttons[i] = button;
    }
}

void Toolbar::place(const std::array<QRect, kToolbarButtons>& rects, double uiScale)
{
    m_uiScale = uiScale;
    const int side = scaled(kFrameDesign, uiScale);
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        m_buttons[i]->setGeometry(rects[i]);
        const int strip = buttons()[i].id == kCmdPlayPause ? (m_pauseFace ? kPauseStrip : kPlayStrip)
                                                           : buttons()[i].strip;
        if (m_buttons[i]->imageId() != strip || m_buttons[i]->frameSize() != QSize(side, side))
            m_buttons[i]->setImage(strip, QRect(0, 0, side, side));
    }
}

void Toolbar::setSkinStyle(const ui::SkinStyle& style)
{
    for (ui::CSkinButton* b : m_buttons)
        b->setSkinStyle(style);
}

void Toolbar::setVisible(bool visible)
{
    for (ui::CSkinButton* b : m_buttons)
        b->setVisible(visible);
}

void Toolbar::setBrowseTooltip(const QString& text)
{
    button(kCmdBrowse)->setToolTip(text);
}

void Toolbar::setPauseFace(bool pause)
{
    m_pauseFace = pause;
    loadFace();
}

void Toolbar::loadFace()
{
    ui::CSkinButton* play = button(kCmdPlayPause);
    play->setToolTip(ui::uiQText(m_pauseFace ? kPauseTooltip : kPlayTooltip, m_languageIndex));
    const int side = scaled(kFrameDesign, m_uiScale);
    play->setImage(m_pauseFace ? kPauseStrip : kPlayStrip, QRect(0, 0, side, side));
    play->update();
}

void Toolbar::setLatched(int id, bool latched)
{
    button(id)->setLatched(latched);
}

void Toolbar::apply(const EnabledSet& enabled)
{
    for (std::size_t i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setEnabled(enabled.toolbar[i]);
}

bool Toolbar::enabled(int id) const
{
    const ui::CSkinButton* b = button(id);
    return b && b->isEnabled();
}

ui::CSkinButton* Toolbar::button(int id) const
{
    return isToolbarCommand(id) ? m_buttons[std::size_t(id - kCmdTop)] : nullptr;
}

} // namespace kivora::app
