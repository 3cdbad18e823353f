#pragma once

#include "kivora/browse/NodeRecorder.h"

#include <QTreeWidget>

#include <filesystem>
#include <map>

namespace kivora::browse {

class IBrowserOwner;

// A folder or group item of the tree; its data word holds the scan's trigger flags.
class FolderNode : public QTreeWidgetItem {
public:
    explicit FolderNode(const QString& text);
    std::uint32_t flags() const;
    void setFlags(std::uint32_t flags);
    // Ancestors above the item (0 for top items).
    int level() const;
};

// The folder tree: folders and recording groups, drawn by the tree itself (white rows, the
// selected row light blue, a badge of trigger flags below the top level). A selection change is
// reported to the owner at once, before the operation that caused it goes on. UI thread only.
class CFolderTreeCtrl : public QTreeWidget {
public:
    static constexpr int kId = 38300;

    CFolderTreeCtrl(QWidget* parent, IBrowserOwner* owner, double uiScale);

    void SetRootPath(const std::filesystem::path& path) { m_rootPath = path; }
    const std::filesystem::path& rootPath() const { return m_rootPath; }
    // The item's path: rootPath joined with the texts from the top item down; empty for null.
    std::filesystem::path FullPath(const QTreeWidgetItem* item) const;
    void SelectFirstRoot();
    // Makes item (null: nothing) the selected item, reached from no selection: the owner hears of
    // one change only, with no previous item.
    void selectFromNone(QTreeWidgetItem* item);
    void ExpandTo(QTreeWidgetItem* item);
    // Adds recorded nodes under parent (null: top level) without reporting selection changes.
    void addNodes(FolderNode* parent, const NodeRecorder& recorder);
    // Every item, counted the way the scan's node limit counts.
    int itemCount() const;
    // Deletes every item; the selection change to "none" is reported like any other.
    void deleteAll();
    void deleteChildren(QTreeWidgetItem* item);
    FolderNode* selectedNode() const;
    FolderNode* itemAfter(FolderNode* item) const;
    void selectNode(FolderNode* item);
    void setUiScale(double uiScale);
    int rowHeight() const { return std::max(1, static_cast<int>(18 * m_uiScale)); }
    const QImage& badge(std::uint32_t flags) const;
    double uiScale() const { return m_uiScale; }

private:
    class RowDelegate;
    void onCurrentChanged(QTreeWidgetItem* current);

    IBrowserOwner* m_owner; // not owned; may be null in tests
    std::filesystem::path m_rootPath;
    double m_uiScale;
    mutable std::map<std::uint32_t, QImage> m_badges; // by flags, at m_uiScale
};

} // namespace kivora::browse
