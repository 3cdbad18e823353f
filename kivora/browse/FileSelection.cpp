#include "kivora/browse/FileSelection.h"

#include <QString>

namespace kivora::browse {

namespace {

constexpr std::uint64_t kMiB = 1048576;

bool copyCapped(
    const std::vector<recording::RecordingEntry>& from, std::vector<recording::RecordingEntry>& to)
{
    const std::size_t n = std::min(from.size(), FileSelection::kMaxEntries);
    to.assign(from.begin(), from.begin() + static_cast<std::ptrdiff_t>(n));
    return from.size() <= FileSelection::kMaxEntries;
}

bool hasMovExtension(const recording::RecordingEntry& e)
{
    return QString::fromStdString(e.path.extension().string())
        .contains(QStringLiteral(".MOV"), Qt::CaseInsensitive);
}

} // namespace

bool FileSelection::setGivenEntries(const std::vector<recording::RecordingEntry>& entries)
{
    return copyCapped(entries, m_given);
}

bool FileSelection::setSourceEntries(const std::vector<recording::RecordingEntry>& entries)
{
    return copyCapped(entries, m_source);
}

void FileSelection::fillRows()
{
    const auto& from = m_showAll ? m_source : m_given;
    m_rows.clear();
    for (const auto& e : from)
        if (m_mode != Concatenate || hasMovExtension(e))
            m_rows.push_back(e);
    m_ticks.assign(m_rows.size(), m_tickAll);
    recomputeBlock();
}

std::vector<int> FileSelection::setTicked(int k, bool on)
{
    std::vector<int> changed;
    if (k < 0 || k >= rowCount() || m_ticks[static_cast<std::size_t>(k)] == on)
        return changed;
    m_ticks[static_cast<std::size_t>(k)] = on;
    auto set = [&](int from, int to, bool value) {
        for (int i = from; i < to; ++i)
            if (m_ticks[static_cast<std::size_t>(i)] != value) {
                m_ticks[static_cast<std::size_t>(i)] = value;
                changed.push_back(i);
            }
    };
    if (m_mode == Concatenate && m_blockStart >= 0) {
        if (on && k < m_blockStart)
            set(k + 1, m_blockStart, true);
        else if (on && k >= m_blockEnd)
            set(m_blockEnd, k, true);
        else if (!on && k > m_blockStart && k < m_blockEnd)
            set(k + 1, m_blockEnd, false);
    }
    recomputeBlock();
    return changed;
}

void FileSelection::recomputeBlock()
{
    m_blockStart = m_blockEnd = -1;
    for (int i = 0; i < rowCount(); ++i)
        if (m_ticks[static_cast<std::size_t>(i)]) {
            m_blockStart = i;
            break;
        }
    if (m_blockStart < 0)
        return;
    m_blockEnd = rowCount();
    for (int i = m_blockStart + 1; i < rowCount(); ++i)
        if (!m_ticks[static_cast<std::size_t>(i)]) {
            m_blockEnd = i;
            break;
        }
}

FileSelection::Totals FileSelection::totals() const
{
    Totals t;
    std::uint64_t main = 0, sub = 0, data = 0;
    for (int i = 0; i < rowCount(); ++i)
        if (m_ticks[static_cast<std::size_t>(i)]) {
            ++t.count;
            main += m_rows[static_cast<std::size_t>(i)].mainSize;
            sub += m_rows[static_cast<std::size_t>(i)].subSize;
            data += m_rows[static_cast<std::size_t>(i)].dataSize;
        }
    t.megabytes = (main + sub + data) / kMiB;
    if (limited()) {
        // Each kind is truncated on its own, so the limit may see less than the total shows.
        t.tooBig = main / kMiB + sub / kMiB + data / kMiB > kMaxConcatMegabytes;
        t.tooMany = t.count > kMaxConcatFiles;
    }
    t.okEnabled = t.count > 0;
    return t;
}

int FileSelection::okRefusal() const
{
    const Totals t = totals();
    if (t.tooBig)
        return kSlotTooBig;
    if (t.tooMany)
        return kSlotTooMany;
    return 0;
}

std::vector<recording::RecordingEntry> FileSelection::tickedEntries() const
{
    std::vector<recording::RecordingEntry> out;
    for (int i = 0; i < rowCount(); ++i)
        if (m_ticks[static_cast<std::size_t>(i)])
            out.push_back(m_rows[static_cast<std::size_t>(i)]);
    return out;
}

} // namespace kivora::browse
