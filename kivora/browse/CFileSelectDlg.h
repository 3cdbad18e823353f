#pragma once

#include "kivora/browse/FileSelection.h"
#include "kivora/ui/CSkinDialog.h"

#include <vector>

class QLabel;
class QPushButton;

namespace kivora::ui {
class CSkinCheckButton;
class CSkinListCtrl;
} // namespace kivora::ui

namespace kivora::browse {

// The modal dialog in which the user ticks the recordings a file operation works on.
// Use: construct with the mode, setSourceEntries (delete mode) and setGivenEntries, exec(),
// then result() on Accepted. UI thread only.
class CFileSelectDlg : public ui::CSkinDialog {
public:
    static constexpr int kListId = 1003;
    static constexpr int kShowAllId = 1004;
    static constexpr int kTickAllId = 1005;
    static constexpr int kCloseId = 18;

    CFileSelectDlg(FileSelection::Mode mode, QWidget* parent = nullptr,
        const ui::SkinStyle& style = ui::SkinStyle::current());
    // use: what concatenation mode's run is for; other uses than a save have no limits, and
    // their caller gives the title (the mode's own belongs to the save).
    CFileSelectDlg(FileSelection::Mode mode, FileSelection::Use use, QWidget* parent = nullptr,
        const ui::SkinStyle& style = ui::SkinStyle::current());

    // Keep the first 1 500 entries. setGivenEntries tells the user (slot 103) when it cut the
    // list; setSourceEntries returns false instead and leaves the message to the caller.
    void setGivenEntries(const std::vector<recording::RecordingEntry>& entries);
    bool setSourceEntries(const std::vector<recording::RecordingEntry>& entries);

    // The ticked entries in row order, filled on OK.
    const std::vector<recording::RecordingEntry>& result() const { return m_result; }

    // For tests and the caller's checks.
    const FileSelection& selection() const { return m_selection; }
    ui::CSkinListCtrl* list() const { return m_list; }
    QPushButton* okButton() const { return m_ok; }
    QLabel* totalLabel() const { return m_total; }
    ui::CSkinCheckButton* showAllButton() const { return m_showAll; }
    ui::CSkinCheckButton* tickAllButton() const { return m_tickAll; }
    // OK as the user presses it; returns the refusal slot (0 when the dialog ended).
    int pressOk();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeControls();
    void fillRows();
    void updateTotals();
    void onStateChanged(int row, int oldState, int newState);
    void onCheckButton(ui::CSkinCheckButton* button);
    QString rowText(int row) const;

    FileSelection m_selection;
    std::vector<recording::RecordingEntry> m_result;
    ui::CSkinListCtrl* m_list = nullptr; // children, owned by Qt
    ui::CSkinCheckButton* m_showAll = nullptr;
    ui::CSkinCheckButton* m_tickAll = nullptr;
    QLabel* m_total = nullptr;
    QPushButton* m_ok = nullptr;
    // Set while the dialog itself changes row states: the list reports each change again.
    bool m_syncing = false;
};

} // namespace kivora::browse
