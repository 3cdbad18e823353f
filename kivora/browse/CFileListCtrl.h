#pragma once

#include "kivora/browse/RecordingListModel.h"

#include <QListWidget>

namespace kivora::browse {

class IBrowserOwner;

// The recording list: one owner-drawn row per shown recording, no header, the current row and
// shock rows coloured, the vertical scroll bar always shown. A row that becomes selected goes
// through the selection rule and, when accepted, to the owner. UI thread only.
class CFileListCtrl : public QListWidget {
    Q_OBJECT
public:
    static constexpr int kId = 1001;
    // Width of the second (never drawn) column; the label's column takes the rest.
    static constexpr int kTriggerColumnWidth = 51;

    CFileListCtrl(QWidget* parent, IBrowserOwner* owner, double uiScale);

    RecordingListModel& model() { return m_model; }
    const RecordingListModel& model() const { return m_model; }

    // New recordings for the folder: the previous hand-over no longer means a row of this list.
    void setRecordings(std::vector<recording::RecordingEntry> entries);
    void Refill();
    void SetFilter(int k, bool on);
    void SelectRow(int index, int advanceMode);
    int Count() const { return m_model.count(); }
    recording::RecordingEntry* Entry(int i) { return m_model.entry(i); }
    void Clear();
    void setUiScale(double uiScale);
    int rowHeight() const;
    // The row last handed to the owner (its selected recording), -1 when none.
    int handedRow() const { return m_handed; }

protected:
    // The scroll bar's range follows the rows (see RecordingListModel::scrollRange).
    void updateGeometries() override;

private:
    class RowDelegate;
    void selectAndOpen(int row);
    void onSelectionChanged();

    IBrowserOwner* m_owner; // not owned; may be null in tests
    RecordingListModel m_model;
    double m_uiScale;
    int m_handed = -1;
};

} // namespace kivora::browse
