#pragma once

#include "kivora/browse/BrowserPanelFactory.h"
#include "kivora/browse/CMovieResource.h"
#include "kivora/browse/DriveList.h"
#include "kivora/browse/InitialFolder.h"
#include "kivora/ui/SkinFontSet.h"

#include <QWidget>

#include <array>
#include <map>
#include <memory>
#include <thread>
#include <vector>

namespace kivora::ui {
class CSkinCheckButton;
}

namespace kivora::browse {

class CFileListCtrl;
class CFolderTreeCtrl;

// The browser panel: folder tree, recording list, the five filter buttons and the count. Loading a
// card or folder scans it on a thread of its own; the tree and the list fill when it is done, and
// folder changes are ignored meanwhile (loading()). UI thread only, except the scan threads, which
// touch nothing but their own result and post it back.
class CFilerContainerDlg final : public QWidget, public IBrowserPanel {
    Q_OBJECT
public:
    static constexpr int kFilterButtonId = 38700;

    explicit CFilerContainerDlg(BrowserPanelDeps deps);
    ~CFilerContainerDlg() override;

    QWidget* widget() override { return this; }
    void PlaceChildren(const QRect& rectangle, int mode) override;
    void ShowChildren(bool show) override;
    void setZoomHint(bool on) override;
    void setControlsEnabled(bool enabled) override;

    void LoadSource(const std::filesystem::path& path, recording::SourceKind kind) override;
    bool RestoreSource() override;
    bool SelectInitialFolder() override;
    int FolderSelected(FolderNode* item, bool noCountRedraw) override;
    std::vector<recording::RecordingEntry> AllRecordings() override;
    void ResetSource() override;
    std::optional<SourceChoice> runSourceDialog(QWidget* parent) override;

    FolderNode* selectedFolder() const override;
    FolderNode* folderAfter(FolderNode* item) const override;
    void selectFolder(FolderNode* item) override;

    void SelectRow(int index, int advanceMode) override;
    void SetFilter(int k, bool on) override;
    bool filter(int k) const override;
    int Count() const override;
    recording::RecordingEntry* Entry(int i) override;
    void Clear() override;
    void clearMarks() override;
    int advanceMode() const override;

    std::optional<recording::SourceKind> sourceKind() const override { return m_kind; }
    std::filesystem::path sourcePath() const override { return m_sourcePath; }
    bool sourceRemoved() const override { return m_watcher.sourceRemoved(); }
    bool resetting() const override { return m_resetting; }
    bool loading() const override { return m_loading; }
    RecorderIdentity recorderIdentity() const override { return m_identity; }

    // For tests and the lead's wiring.
    CFolderTreeCtrl* tree() const { return m_tree; }
    CFileListCtrl* list() const { return m_list; }
    ui::CSkinCheckButton* filterButton(int k) const { return m_buttons[static_cast<std::size_t>(k)]; }
    CMovieResource& watcher() { return m_watcher; }
    std::filesystem::path FullPath(FolderNode* item) const;
    // The path the Part's rule watches (the folder's parent for kind 2).
    std::filesystem::path watchedPath() const { return m_watcher.path(); }
    // Called when a load finished (tests wait on it).
    void setLoadedCallback(std::function<void()> callback) { m_loaded = std::move(callback); }

Q_SIGNALS:
    void sourceLoaded();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct ScanResult;
    void startScan(const std::filesystem::path& path, recording::SourceKind kind, bool isCard);
    void finishScan(std::shared_ptr<ScanResult> result);
    // Selects the folder a load found for the start, filling the items on its way, with one
    // selection change reported from no selection.
    void openInitial(const InitialFolder& initial);
    // Replaces the item's children by a scan of folder (the load's scan when it made one for the
    // tree as it is now) and returns the folder's recordings.
    std::vector<recording::RecordingEntry> rebuildChildren(
        FolderNode* item, const std::filesystem::path& folder);
    void placeButtons();
    void reapThreads();
    QRect countRect() const;

    BrowserPanelDeps m_deps;
    std::shared_ptr<const IDriveList> m_drives;
    ui::SkinFontSet m_fonts;
    double m_s;
    CFolderTreeCtrl* m_tree = nullptr; // children, owned by Qt
    CFileListCtrl* m_list = nullptr;
    std::array<ui::CSkinCheckButton*, 5> m_buttons {};
    QRect m_rect;
    int m_mode = 0;
    bool m_zoomHint = false;
    bool m_childrenShown = true;

    std::optional<recording::SourceKind> m_kind;
    std::filesystem::path m_sourcePath;
    std::vector<recording::RecordingEntry> m_folderEntries;
    std::vector<recording::RecordingEntry> m_exportEntries;
    RecorderIdentity m_identity;
    bool m_resetting = false;
    bool m_loading = false;
    bool m_initialPending = false; // SelectInitialFolder waits for the scan
    unsigned m_generation = 0; // a newer load makes older scan results stale
    std::function<void()> m_loaded;
    std::map<std::filesystem::path, PreparedFolder> m_prepared; // used once each by rebuildChildren

    // Joined at destruction; those whose scan is done are reaped at the next load.
    std::vector<std::pair<std::shared_ptr<ScanResult>, std::jthread>> m_scans;
    CMovieResource m_watcher;
};

} // namespace kivora::browse
