#include "kivora/app/CMovieMenu.h"

#include "kivora/app/CommandIds.h"
#include "kivora/app/MainLayout.h"
#include "kivora/ui/UiTextQt.h"

#include <QFontMetrics>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

#include <algorithm>

namespace kivora::app {

namespace {

constexpr int kSlotClosePlay = 83;
constexpr int kSlotPause = 82;
constexpr int kSlotStop = 87;
constexpr int kSlotFast = 79;
constexpr int kSlotSlow = 85;
constexpr int kSlotStill = 86;
constexpr int kSlotSettings = 84;
constexpr int kSlotBrowse = 81;
constexpr int kSlotKeepAspect = 88;
constexpr int kSlotStretch = 89;
constexpr int kSlotRepair = 14;

const QColor kGreyText(127, 127, 127);
const QColor kSelectedGrey(195, 195, 255);
const QColor kSelected(0, 0, 255);

} // namespace

namespace {

// The file commands of our own: the open recording's track (while one is open), the tracks of
// chosen recordings, the evidence bundle and the repair.
void addOwnFileItems(
    std::vector<MovieMenuItem>& items, bool open, int languageIndex, const std::function<bool(int)>& enabled)
{
    auto add = [&](int id, int slot, const char* japanese, const char* english) {
        items.push_back({ id, slot, !enabled || enabled(id),
            slot >= 0 ? QString() : QString::fromUtf8(languageIndex == 0 ? japanese : english), false });
    };
    // Short, and distinct in their first characters: the items are only int(70 s) wide.
    if (open)
        add(kCmdTrack, -1, "軌跡出力", "Track");
    add(kCmdTracks, -1, "軌跡選択…", "Tracks…");
    add(kCmdBundle, -1, "証拠保全…", "Evidence…");
    add(kCmdRepair, kSlotRepair, nullptr, nullptr);
}

} // namespace

std::vector<MovieMenuItem> movieMenuItems(int state, int rateCode, int aspectMode, bool fullScreen,
    bool rearViewOn, int languageIndex, const std::function<bool(int)>& enabled)
{
    std::vector<MovieMenuItem> items;
    auto add = [&](int id, int slot, bool enabled = true) {
        items.push_back({ id, slot, enabled, {}, false });
    };
    auto separator = [&] { items.push_back({}); };
    auto text = [languageIndex](const char* japanese, const char* english) {
        return QString::fromUtf8(languageIndex == 0 ? japanese : english);
    };
    if (state < 1 || state > 3) {
        add(kCmdSettings, kSlotSettings);
        separator();
        add(kCmdBrowse, kSlotBrowse);
        separator();
        addOwnFileItems(items, false, languageIndex, enabled);
        return items;
    }
    if (state == 2) {
        add(kCmdPlayPause, kSlotPause);
        add(kCmdTop, kSlotStop);
        add(kCmdFaster, kSlotFast, rateCode != 2 && rateCode != 4);
        add(kCmdSlower, kSlotSlow, rateCode >= 0);
    } else {
        add(kCmdPlayPause, kSlotClosePlay);
        if (state == 3)
            add(kCmdTop, kSlotStop);
    }
    if (fullScreen) {
        if (aspectMode == 0 || aspectMode < 0)
            add(kCmdAspect, kSlotKeepAspect);
        else if (aspectMode == 1)
            add(kCmdAspect, kSlotStretch);
    } else {
        separator();
        add(kCmdStill, kSlotStill);
        add(kCmdSettings, kSlotSettings);
        separator();
        add(kCmdBrowse, kSlotBrowse);
    }
    // Our own items, below the table's.
    separator();
    items.push_back({ kCmdRearView, -1, true, text("後方映像", "Rear view"), rearViewOn });
    if (!fullScreen)
        addOwnFileItems(items, true, languageIndex, enabled);
    return items;
}

class CMovieMenu::Style final : public QProxyStyle {
public:
    Style(QSize itemSize, int textOffset, QFont font)
        : m_itemSize(itemSize)
        , m_textOffset(textOffset)
        , m_font(std::move(font))
    {
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
        const QWidget* widget) const override
    {
        if (type == CT_MenuItem) {
            const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
            if (item && item->menuItemType != QStyleOptionMenuItem::Separator)
                return m_itemSize;
            // A separator never widens the menu.
            return { m_itemSize.width(), QProxyStyle::sizeFromContents(type, option, size, widget).height() };
        }
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    }

    // The menu is as wide as its items: no panel frame or side margins around them.
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        if (metric == PM_MenuPanelWidth || metric == PM_MenuHMargin || metric == PM_MenuDesktopFrameWidth)
            return 0;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
        const QWidget* widget) const override
    {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (element != CE_MenuItem || !item || item->menuItemType == QStyleOptionMenuItem::Separator) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        const bool grayed = !(item->state & State_Enabled);
        const bool selected = (item->state & State_Selected) != 0;
        QColor background = item->palette.color(QPalette::Window);
        QColor text = grayed ? kGreyText : item->palette.color(QPalette::WindowText);
        if (selected) {
            background = grayed ? kSelectedGrey : kSelected;
            text = grayed ? kGreyText : QColor(Qt::white);
        }
        painter->save();
        painter->fillRect(item->rect, background);
        painter->setFont(m_font);
        painter->setPen(text);
        const QRect r = item->rect.adjusted(m_textOffset, 0, 0, 0);
        painter->drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, item->text);
        painter->restore();
    }

    QSize itemSize() const { return m_itemSize; }
    // Widens the items so that text fits whole beside its offset.
    void fit(const QString& text, int margin)
    {
        const int needed = m_textOffset + QFontMetrics(m_font).horizontalAdvance(text) + margin;
        m_itemSize.setWidth(std::max(m_itemSize.width(), needed));
    }

private:
    QSize m_itemSize;
    int m_textOffset;
    QFont m_font;
};

CMovieMenu::CMovieMenu(const std::vector<MovieMenuItem>& items, double uiScale, bool wideLayout,
    const QFont& f10, int languageIndex, QWidget* parent)
    : QMenu(parent)
    , m_style(std::make_unique<Style>(
          QSize(scaled(wideLayout ? 220 : 70, uiScale), scaled(20, uiScale)), scaled(20, uiScale), f10))
{
    setStyle(m_style.get());
    for (const MovieMenuItem& item : items) {
        if (item.separator()) {
            addSeparator();
            continue;
        }
        QString text = item.slot >= 0 ? ui::uiQText(item.slot, languageIndex) : item.text;
        if (item.checked)
            text = QStringLiteral("\u2713 ") + text;
        // The designed width holds the first labels; a longer one (or a larger font) widens
        // the menu rather than being cut off.
        m_style->fit(text, scaled(6, uiScale));
        QAction* action = addAction(text);
        action->setData(item.id);
        action->setEnabled(item.enabled);
    }
}

CMovieMenu::~CMovieMenu()
{
    // The style must outlive the menu's use of it.
    setStyle(nullptr);
}

int CMovieMenu::track(QPoint screenPoint)
{
    const QAction* chosen = exec(screenPoint);
    return chosen ? chosen->data().toInt() : 0;
}

QSize CMovieMenu::itemSize() const
{
    return m_style->itemSize();
}

} // namespace kivora::app
