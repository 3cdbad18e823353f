#include "kivora/browse/InitialFolder.h"

#include <algorithm>
#include <optional>
#include <regex>

namespace kivora::browse {

namespace fs = std::filesystem;
using recording::kRootNode;
using recording::TreeNode;

bool isMovieFolderText(const std::string& text, const InitialSearch& search)
{
    return (!search.normalFolder.empty() && text.find(search.normalFolder) != std::string::npos)
        || (!search.parkingFolder.empty() && text.find(search.parkingFolder) != std::string::npos);
}

bool isGroupLabelText(const std::string& text)
{
    static const std::regex label("[0-9]{6,6}_[0-9]{4,4}");
    return std::regex_search(text, label);
}

namespace {

// Nodes of a recording that lie below node (its children, their children ...).
int descendantsOf(const NodeRecorder& nodes, TreeNode node)
{
    std::vector<bool> below(nodes.nodes().size() + 1, false);
    int n = 0;
    for (std::size_t i = 0; i < nodes.nodes().size(); ++i) {
        const TreeNode parent = nodes.nodes()[i].parent;
        if (parent == node || (parent != kRootNode && below[static_cast<std::size_t>(parent)])) {
            below[i + 1] = true;
            ++n;
        }
    }
    return n;
}

// The direct children of parent, as node ids.
std::vector<TreeNode> childrenOf(const NodeRecorder& nodes, TreeNode parent)
{
    std::vector<TreeNode> out;
    for (std::size_t i = 0; i < nodes.nodes().size(); ++i)
        if (nodes.nodes()[i].parent == parent)
            out.push_back(static_cast<TreeNode>(i + 1));
    return out;
}

class Search {
public:
    Search(const NodeRecorder& loaded, const InitialSearch& search)
        : m_loaded(loaded)
        , m_search(search)
    {
    }

    InitialFolder run()
    {
        InitialFolder out;
        const std::vector<TreeNode> tops = childrenOf(m_loaded, kRootNode);
        if (tops.empty())
            return out;
        // The tree's own rule first: it is what a card shows, and it costs two scans at most.
        std::vector<std::string> rule { text(m_loaded, tops.front()) };
        const Step top { m_search.rootPath / rule.front(), 0, m_loaded.count(),
            descendantsOf(m_loaded, tops.front()) };
        const PreparedFolder* scanned = scan(top);
        if (isMovieFolderText(rule.front(), m_search)) {
            const std::vector<TreeNode> kids = childrenOf(scanned->nodes, kRootNode);
            if (!kids.empty() && isGroupLabelText(text(scanned->nodes, kids.front()))) {
                rule.push_back(text(scanned->nodes, kids.front()));
                scanned = scan({ top.path / rule.back(), 1, scanned->nodes.count(),
                    descendantsOf(scanned->nodes, kids.front()) });
            }
        }
        std::vector<std::string> way;
        if (lists(*scanned))
            way = rule;
        else if (!walk(m_loaded, kRootNode, m_search.rootPath, 0, m_loaded.count(), way))
            way = rule;
        out.texts = way;
        // Only the scans on the way are used; the tree's count they were made for holds only there.
        fs::path path = m_search.rootPath;
        for (const std::string& t : way) {
            path /= t;
            out.prepared.emplace(path, std::move(m_scans.at(path)));
        }
        return out;
    }

private:
    struct Step {
        fs::path path;
        int level;
        int treeCount; // items in the tree before this item's children are replaced
        int descendants; // of this item in that tree
    };

    static std::string text(const NodeRecorder& nodes, TreeNode node)
    {
        return nodes.nodes()[static_cast<std::size_t>(node - 1)].text;
    }

    bool lists(const PreparedFolder& folder) const
    {
        std::vector<recording::RecordingEntry> shown;
        return recording::FilterByTrigger(folder.recordings, m_search.filter, shown) > 0;
    }

    const PreparedFolder* scan(const Step& step)
    {
        if (auto it = m_scans.find(step.path); it != m_scans.end())
            return &it->second;
        ++m_scanned;
        PreparedFolder& p = m_scans[step.path];
        p.level = step.level;
        p.nodes = NodeRecorder(step.treeCount - step.descendants);
        recording::ScanTargets targets = m_search.targets;
        targets.sink = &p.nodes;
        targets.recordings = &p.recordings;
        targets.folders = nullptr;
        int counter = 0;
        fs::path effective;
        recording::ScanFolder(step.path, targets, kRootNode, step.level, counter, effective);
        recording::SortRecordingNames(p.recordings);
        return &p;
    }

    // The children of parent in search order: the normal movie folder, the parking one, the rest.
    std::vector<TreeNode> ordered(const NodeRecorder& nodes, TreeNode parent) const
    {
        std::vector<TreeNode> kids = childrenOf(nodes, parent);
        auto rank = [&](TreeNode n) {
            const std::string t = text(nodes, n);
            if (!m_search.normalFolder.empty() && t.find(m_search.normalFolder) != std::string::npos)
                return 0;
            if (!m_search.parkingFolder.empty() && t.find(m_search.parkingFolder) != std::string::npos)
                return 1;
            return 2;
        };
        std::stable_sort(kids.begin(), kids.end(), [&](TreeNode a, TreeNode b) { return rank(a) < rank(b); });
        return kids;
    }

    // Depth first below parent of nodes; way receives the texts down to the first listing folder.
    bool walk(const NodeRecorder& nodes, TreeNode parent, const fs::path& parentPath, int level,
        int treeCount, std::vector<std::string>& way)
    {
        if (level > recording::kMaxFolderDepth)
            return false;
        for (const TreeNode node : ordered(nodes, parent)) {
            if (m_scanned >= m_search.maxScans)
                return false;
            const std::string name = text(nodes, node);
            const Step step { parentPath / name, level, treeCount, descendantsOf(nodes, node) };
            const PreparedFolder* folder = scan(step);
            way.push_back(name);
            if (lists(*folder)
                || walk(folder->nodes, kRootNode, step.path, level + 1, folder->nodes.count(), way))
                return true;
            way.pop_back();
        }
        return false;
    }

    const NodeRecorder& m_loaded;
    const InitialSearch& m_search;
    std::map<fs::path, PreparedFolder> m_scans;
    int m_scanned = 0;
};

} // namespace

InitialFolder findInitialFolder(const NodeRecorder& loaded, const InitialSearch& search)
{
    return Search(loaded, search).run();
}

} // namespace kivora::browse
