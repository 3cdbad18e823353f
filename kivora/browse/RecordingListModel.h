#pragma once

#include "kivora/recording/RecordingEntry.h"
#include "kivora/recording/RecordingScan.h"

#include <QColor>
#include <QFontMetrics>
#include <QString>

#include <vector>

namespace kivora::browse {

// The recording list's data and rules without a widget: the recordings of the current folder, the
// trigger filter, the current row and the reselect mark. UI thread only; the owner's hMutexCache
// guards the hand-over of a row, not this object.
class RecordingListModel {
public:
    RecordingListModel() { m_filter.fill(1); }

    // Replaces every recording of the current folder (the list is not refilled).
    void setAll(std::vector<recording::RecordingEntry> entries) { m_all = std::move(entries); }
    std::vector<recording::RecordingEntry>& all() { return m_all; }
    const std::vector<recording::RecordingEntry>& all() const { return m_all; }
    const std::vector<recording::RecordingEntry>& shown() const { return m_shown; }

    // shown = all through the filter.
    void refill();
    // Sets filter k (0..4; others are ignored), marks reselect and refills. True when rows remain:
    // the caller then selects row 0 as a new selection.
    bool setFilter(int k, bool on);
    bool filter(int k) const { return k >= 0 && k < 5 && m_filter[static_cast<std::size_t>(k)] != 0; }
    void clear();

    int count() const { return static_cast<int>(m_shown.size()); }
    // Null outside 0 .. count() - 1.
    recording::RecordingEntry* entry(int i);
    const recording::RecordingEntry* entry(int i) const;

    int currentIndex() const { return m_current; }
    void setCurrentIndex(int index) { m_current = index; }
    int advanceMode() const { return m_advanceMode; }
    void setAdvanceMode(int mode) { m_advanceMode = mode; }
    bool reselect() const { return m_reselect; }

    // A row became selected. True when it is handed to the owner as a new selection: it differs
    // from the owner's current one, or the reselect mark was set (the mark is then used up).
    bool acceptSelection(int row, int ownerSelection);

    // Row background: the current row grey (olive for shock), other shock rows pale yellow.
    static QColor rowBackground(const recording::RecordingEntry& entry, bool current);
    static inline const QColor kFrameColour { 136, 136, 136 };

    // A label that fits in width as it stands; one that does not is cut after its last whole
    // word that fits with an ellipsis, and only a first word too long for the row is cut inside.
    static QString elideAtWord(const QString& label, const QFontMetrics& metrics, int width);

    // The vertical scroll bar's range: 0 .. rows, or -1 .. -1 for an empty list. A scroll bar
    // with a page of visible rows cannot reach past rows - visible + 1 (the last row then stands
    // above one empty row), which is what the maximum here says; never below the minimum.
    struct ScrollRange {
        int minimum;
        int maximum;
        int pageStep;
    };
    static ScrollRange scrollRange(int rows, int visibleRows);

private:
    std::vector<recording::RecordingEntry> m_all; // every recording of the folder, scan order
    std::vector<recording::RecordingEntry> m_shown; // m_all filtered; row i shows m_shown[i]
    recording::TriggerFilter m_filter {};
    int m_current = -1;
    int m_advanceMode = 0;
    bool m_reselect = false;
};

} // namespace kivora::browse
