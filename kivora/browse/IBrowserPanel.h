#pragma once

#include "kivora/recording/RecordingEntry.h"
#include "kivora/recording/RecordingSource.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class QRect;
class QWidget;

namespace kivora::browse {

// A folder tree item. Opaque to the main window, which only hands it back to the panel.
class FolderNode;

// What the browser panel reports to the main window: direct calls on the UI thread.
class IBrowserOwner {
public:
    virtual ~IBrowserOwner() = default;
    // The folder tree's selected item changed (message 0x8456, direct); null when none is.
    virtual void onFolderChanged(FolderNode* item) = 0;
    // The recording list's selection rule handed a row to the main window. The owner takes
    // hMutexCache around its part of the rule.
    virtual void onRecordingSelected(int row) = 0;
    // A filter check button was clicked: command 38700 + k, k = 0..4.
    virtual void onFilterCommand(int k) = 0;
};

// The recorder's identity, read from an SD card source for the update check. Empty texts when
// unknown.
struct RecorderIdentity {
    std::string firmwareVersion;
    std::string gpsDataVersion;
    std::string modelKey;
};

// What the source dialog returns on OK.
struct SourceChoice {
    recording::SourceKind kind = recording::SourceKind::Folder;
    std::filesystem::path path;
};

// The browser panel as the main window sees it: the folder tree, the recording list, the source
// watcher and the source dialog. The names are those of the panel's and the list's operations.
// UI thread only.
class IBrowserPanel {
public:
    virtual ~IBrowserPanel() = default;

    // The panel's widget, placed by the main window's layout; null when the panel shows nothing.
    virtual QWidget* widget() = 0;
    virtual void PlaceChildren(const QRect& rectangle, int mode) = 0;
    virtual void ShowChildren(bool show) = 0;
    // Zoom mode shows the zoom hint in place of the children.
    virtual void setZoomHint(bool on) = 0;
    // The tree, the list and the five filter buttons (the toolbar's enabling rule).
    virtual void setControlsEnabled(bool enabled) = 0;

    // --- Sources ---------------------------------------------------------------------------------
    virtual void LoadSource(const std::filesystem::path& path, recording::SourceKind kind) = 0;
    // The remembered source at start-up; false when none could be loaded.
    virtual bool RestoreSource() = 0;
    virtual bool SelectInitialFolder() = 0;
    // Loads the recordings of a tree item into the list; returns their number.
    virtual int FolderSelected(FolderNode* item, bool noCountRedraw) = 0;
    // Every recording of the source as one list (for the export commands).
    virtual std::vector<recording::RecordingEntry> AllRecordings() = 0;
    virtual void ResetSource() = 0;
    // The source dialog, modal; nothing when it was cancelled.
    virtual std::optional<SourceChoice> runSourceDialog(QWidget* parent) = 0;

    // --- Folder tree -----------------------------------------------------------------------------
    virtual FolderNode* selectedFolder() const = 0;
    // The item after `item` at the same level; null when none follows.
    virtual FolderNode* folderAfter(FolderNode* item) const = 0;
    // Selects the item; the tree reports the change through onFolderChanged.
    virtual void selectFolder(FolderNode* item) = 0;

    // --- Recording list --------------------------------------------------------------------------
    virtual void SelectRow(int index, int advanceMode) = 0;
    virtual void SetFilter(int k, bool on) = 0;
    virtual bool filter(int k) const = 0;
    virtual int Count() const = 0;
    // Null outside 0 .. Count() - 1.
    virtual recording::RecordingEntry* Entry(int i) = 0;
    virtual void Clear() = 0;
    // Clears the marked flags of every entry (saved recordings) and redraws the list.
    virtual void clearMarks() = 0;
    virtual int advanceMode() const = 0;

    // --- State the main window and the file operations read ---------------------------------------
    // Nothing before a source was loaded.
    virtual std::optional<recording::SourceKind> sourceKind() const = 0;
    virtual std::filesystem::path sourcePath() const = 0;
    // The source watcher saw the source go away.
    virtual bool sourceRemoved() const = 0;
    // True while ResetSource deletes the tree items (folder changes are then ignored).
    virtual bool resetting() const = 0;
    // True while a scan runs off the UI thread (folder changes are then ignored).
    virtual bool loading() const = 0;
    virtual RecorderIdentity recorderIdentity() const = 0;
};

} // namespace kivora::browse
