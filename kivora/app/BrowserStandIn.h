#pragma once

#include "kivora/app/RecordingList.h"
#include "kivora/browse/IBrowserPanel.h"

#include <array>
#include <memory>

namespace kivora::app {

// Stands in for the browser panel until its layer provides it: a folder or movie source read
// the way the command line gives it, with one "tree item" per folder and recording day, in
// order, so that the walk to the next folder works. It has no widget. A folder change is reported
// to the owner at once, as the tree does. UI thread only.
class BrowserStandIn final : public browse::IBrowserPanel {
public:
    explicit BrowserStandIn(browse::IBrowserOwner& owner);
    ~BrowserStandIn() override;

    QWidget* widget() override { return nullptr; }
    void PlaceChildren(const QRect&, int) override { }
    void ShowChildren(bool) override { }
    void setZoomHint(bool) override { }
    void setControlsEnabled(bool enabled) override { m_enabled = enabled; }
    bool controlsEnabled() const { return m_enabled; }

    void LoadSource(const std::filesystem::path& path, recording::SourceKind kind) override;
    bool RestoreSource() override { return false; }
    bool SelectInitialFolder() override;
    int FolderSelected(browse::FolderNode* item, bool noCountRedraw) override;
    std::vector<recording::RecordingEntry> AllRecordings() override;
    void ResetSource() override;
    std::optional<browse::SourceChoice> runSourceDialog(QWidget* parent) override;

    browse::FolderNode* selectedFolder() const override;
    browse::FolderNode* folderAfter(browse::FolderNode* item) const override;
    void selectFolder(browse::FolderNode* item) override;

    void SelectRow(int index, int advanceMode) override;
    void SetFilter(int k, bool on) override;
    bool filter(int k) const override;
    int Count() const override { return static_cast<int>(m_list.size()); }
    recording::RecordingEntry* Entry(int i) override;
    void Clear() override { m_list.clear(); }
    void clearMarks() override;
    int advanceMode() const override { return m_advanceMode; }

    std::optional<recording::SourceKind> sourceKind() const override;
    std::filesystem::path sourcePath() const override;
    bool sourceRemoved() const override { return false; }
    bool resetting() const override { return false; }
    bool loading() const override { return false; }
    browse::RecorderIdentity recorderIdentity() const override { return {}; }

    // The folders of the source, in tree order (tests walk them).
    int folderCount() const { return static_cast<int>(m_folders.size()); }
    browse::FolderNode* folder(int i) const;

private:
    struct Folder;
    int indexOf(browse::FolderNode* item) const;

    browse::IBrowserOwner& m_owner;
    RecordingList m_source;
    std::optional<recording::SourceKind> m_kind;
    std::vector<std::unique_ptr<Folder>> m_folders;
    std::vector<recording::RecordingEntry> m_list; // the selected folder's recordings
    int m_selectedFolder = -1;
    int m_listFolder = -1; // the folder the list shows
    int m_advanceMode = 0;
    std::array<bool, 5> m_filters { true, true, true, true, true };
    bool m_enabled = true;
};

} // namespace kivora::app
