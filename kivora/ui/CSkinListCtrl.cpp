#include "kivora/ui/CSkinListCtrl.h"

#include "kivora/ui/SkinImages.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace kivora::ui {

namespace {
constexpr int kStateRole = Qt::UserRole + 1;
}

CSkinListCtrl::CSkinListCtrl(QWidget* parent, const SkinStyle& style)
    : QTreeWidget(parent)
    , m_style(style)
{
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    // The dialogs that hold the list write everything in F10.
    setFont(m_style.f10);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    makeIcons();
    connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) { onClicked(item); });
}

void CSkinListCtrl::makeIcons()
{
    const int side = m_style.s(12);
    setIconSize(QSize(side, side));
    const QImage strip = loadScaledStrip(kStripId, m_style.uiScale, devicePixelRatioF());
    for (int i = 0; i < 3; ++i) {
        QPixmap frame(QSize(side, side) * devicePixelRatioF());
        frame.setDevicePixelRatio(devicePixelRatioF());
        frame.fill(Qt::transparent);
        {
            QPainter p(&frame);
            drawStripFrame(p, strip, QSize(side, side), i, QPoint(0, 0));
        }
        m_icons[static_cast<std::size_t>(i)] = QIcon(frame);
    }
    for (int row = 0; row < rowCount(); ++row) {
        const int state = itemState(row);
        if (state >= Unticked && state <= Ticked)
            topLevelItem(row)->setIcon(0, m_icons[static_cast<std::size_t>(state - 1)]);
    }
}

void CSkinListCtrl::setSkinStyle(const SkinStyle& style)
{
    m_style = style;
    setFont(m_style.f10);
    makeIcons();
}

int CSkinListCtrl::addRow(const QStringList& columns, int state)
{
    auto* item = new QTreeWidgetItem(this, columns); // owned by the list
    item->setData(0, kStateRole, 0);
    const int row = indexOfTopLevelItem(item);
    setItemState(row, state);
    return row;
}

int CSkinListCtrl::itemState(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->data(0, kStateRole).toInt() : 0;
}

void CSkinListCtrl::setItemState(int row, int state)
{
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item || state < Unticked || state > Ticked)
        return;
    const int old = item->data(0, kStateRole).toInt();
    if (old == state)
        return;
    item->setData(0, kStateRole, state);
    item->setIcon(0, m_icons[static_cast<std::size_t>(state - 1)]);
    emit itemStateChanged(row, old, state);
}

void CSkinListCtrl::trackMouse(int row)
{
    if (m_hover != row && itemState(m_hover) == Hover)
        setItemState(m_hover, Unticked);
    if (itemState(row) == Unticked)
        setItemState(row, Hover);
    m_hover = row;
}

void CSkinListCtrl::mouseMoveEvent(QMouseEvent* event)
{
    QTreeWidget::mouseMoveEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    trackMouse(index.isValid() ? index.row() : -1);
}

bool CSkinListCtrl::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Leave)
        trackMouse(-1);
    return QTreeWidget::viewportEvent(event);
}

void CSkinListCtrl::onClicked(QTreeWidgetItem* item)
{
    const int row = indexOfTopLevelItem(item);
    const int state = itemState(row);
    if (state == Unticked || state == Hover)
        setItemState(row, Ticked);
    else if (state == Ticked)
        setItemState(row, Unticked);
}

} // namespace kivora::ui
