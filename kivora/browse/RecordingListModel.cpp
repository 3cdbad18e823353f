#include "kivora/browse/RecordingListModel.h"

#include "kivora/recording/RecordingName.h"

namespace kivora::browse {

void RecordingListModel::refill()
{
    m_shown.clear();
    recording::FilterByTrigger(m_all, m_filter, m_shown);
}

bool RecordingListModel::setFilter(int k, bool on)
{
    if (k < 0 || k >= 5)
        return false;
    m_filter[static_cast<std::size_t>(k)] = on ? 1 : 0;
    m_reselect = true;
    refill();
    if (m_shown.empty())
        return false;
    m_current = 0;
    return true;
}

void RecordingListModel::clear()
{
    m_all.clear();
    m_shown.clear();
}

recording::RecordingEntry* RecordingListModel::entry(int i)
{
    return i >= 0 && i < count() ? &m_shown[static_cast<std::size_t>(i)] : nullptr;
}

const recording::RecordingEntry* RecordingListModel::entry(int i) const
{
    return i >= 0 && i < count() ? &m_shown[static_cast<std::size_t>(i)] : nullptr;
}

bool RecordingListModel::acceptSelection(int row, int ownerSelection)
{
    if (row == ownerSelection) {
        if (!m_reselect)
            return false;
        m_reselect = false;
    }
    return true;
}

QColor RecordingListModel::rowBackground(const recording::RecordingEntry& entry, bool current)
{
    const auto kind = recording::TriggerCategory(entry.path);
    const bool shock = kind == recording::TriggerKind::Shock || kind == recording::TriggerKind::ParkingShock;
    if (current)
        return shock ? QColor(178, 178, 142) : QColor(178, 178, 178);
    return shock ? QColor(255, 255, 204) : QColor(Qt::white);
}

QString RecordingListModel::elideAtWord(const QString& label, const QFontMetrics& metrics, int width)
{
    if (metrics.horizontalAdvance(label) <= width)
        return label;
    if (width <= 0)
        return {};
    const QString ellipsis(QChar(0x2026));
    for (qsizetype space = label.lastIndexOf(QLatin1Char(' ')); space > 0;
         space = label.lastIndexOf(QLatin1Char(' '), space - 1)) {
        const QString words = label.left(space).trimmed();
        if (!words.isEmpty() && metrics.horizontalAdvance(words + ellipsis) <= width)
            return words + ellipsis;
    }
    return metrics.elidedText(label, Qt::ElideRight, width);
}

RecordingListModel::ScrollRange RecordingListModel::scrollRange(int rows, int visibleRows)
{
    const int page = std::max(1, visibleRows);
    if (rows <= 0)
        return { -1, -1, page };
    return { 0, std::max(0, rows - page + 1), page };
}

} // namespace kivora::browse
