#include "kivora/browse/CFileListCtrl.h"

#include "kivora/browse/IBrowserPanel.h"
#include "kivora/recording/RecordingName.h"

#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace kivora::browse {

class CFileListCtrl::RowDelegate : public QStyledItemDelegate {
public:
    explicit RowDelegate(CFileListCtrl* list)
        : QStyledItemDelegate(list)
        , m_list(list)
    {
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return { 1, m_list->rowHeight() };
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const int row = index.row();
        const recording::RecordingEntry* entry = m_list->m_model.entry(row);
        if (!entry)
            return;
        painter->save();
        const QRect rect(0, option.rect.top(), m_list->viewport()->width(), option.rect.height());
        painter->fillRect(
            rect, RecordingListModel::rowBackground(*entry, row == m_list->m_model.currentIndex()));
        painter->setPen(RecordingListModel::kFrameColour);
        painter->setBrush(Qt::NoBrush);
        // Drawn one pixel wider and taller, so neighbouring rows share their separating line.
        painter->drawRect(rect);
        const int left = static_cast<int>(4 * m_list->m_uiScale);
        const int labelWidth = std::max(0, m_list->viewport()->width() - kTriggerColumnWidth - left);
        const QRect textRect(left, rect.top(), labelWidth, rect.height());
        const QString label = QString::fromStdString(recording::RecordingLabel(entry->path));
        painter->setFont(option.font);
        painter->setPen(Qt::black);
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
            RecordingListModel::elideAtWord(label, option.fontMetrics, labelWidth));
        painter->restore();
    }

private:
    CFileListCtrl* m_list;
};

CFileListCtrl::CFileListCtrl(QWidget* parent, IBrowserOwner* owner, double uiScale)
    : QListWidget(parent)
    , m_owner(owner)
    , m_uiScale(uiScale)
{
    setObjectName(QStringLiteral("CFileListCtrl"));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUniformItemSizes(true);
    setWordWrap(false);
    setItemDelegate(new RowDelegate(this));
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::white);
    setPalette(p);
    connect(this, &QListWidget::itemSelectionChanged, this, &CFileListCtrl::onSelectionChanged);
}

int CFileListCtrl::rowHeight() const
{
    return std::max(1, static_cast<int>(20 * m_uiScale));
}

void CFileListCtrl::setUiScale(double uiScale)
{
    m_uiScale = uiScale;
    doItemsLayout();
}

void CFileListCtrl::updateGeometries()
{
    QListWidget::updateGeometries();
    const auto range = RecordingListModel::scrollRange(count(), viewport()->height() / rowHeight());
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(range.minimum, range.maximum);
    bar->setPageStep(range.pageStep);
}

void CFileListCtrl::setRecordings(std::vector<recording::RecordingEntry> entries)
{
    m_model.setAll(std::move(entries));
    m_handed = -1;
}

void CFileListCtrl::Refill()
{
    m_model.refill();
    const QSignalBlocker block(this);
    clear();
    for (const auto& e : m_model.shown())
        addItem(QString::fromStdString(recording::RecordingLabel(e.path)));
    viewport()->update();
}

void CFileListCtrl::SetFilter(int k, bool on)
{
    const bool rows = m_model.setFilter(k, on);
    Refill();
    if (rows)
        selectAndOpen(0);
}

void CFileListCtrl::SelectRow(int index, int advanceMode)
{
    m_model.setAdvanceMode(advanceMode);
    if (index >= 0 && index < count()) {
        m_model.setCurrentIndex(index);
        selectAndOpen(index);
    }
    // Outside the list nothing changes, but the list still scrolls towards the index.
    if (count() > 0)
        scrollToItem(item(std::clamp(index, 0, count() - 1)));
}

void CFileListCtrl::Clear()
{
    m_model.clear();
    m_handed = -1;
    const QSignalBlocker block(this);
    clear();
}

void CFileListCtrl::selectAndOpen(int row)
{
    {
        // Clearing first makes selecting the same row again count as a new selection.
        const QSignalBlocker block(this);
        clearSelection();
    }
    setCurrentRow(row);
    viewport()->update();
}

void CFileListCtrl::onSelectionChanged()
{
    const QList<QListWidgetItem*> items = selectedItems();
    if (items.isEmpty())
        return;
    const int row = this->row(items.front());
    if (!m_model.acceptSelection(row, m_handed))
        return;
    m_handed = row;
    m_model.setCurrentIndex(row);
    viewport()->update();
    if (m_owner)
        m_owner->onRecordingSelected(row);
}

} // namespace kivora::browse
