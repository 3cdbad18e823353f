#pragma once

#include "kivora/recording/RecordingScan.h"

#include <string>
#include <vector>

namespace kivora::browse {

// A node sink that only writes the nodes down, so that a scan can run off the UI thread and the
// folder tree takes the nodes afterwards. Node ids are indexes + 1; kRootNode is the parent the
// scan was given. Counts start at the tree's own count, so the node limit holds across both.
class NodeRecorder final : public recording::NodeSink {
public:
    struct Node {
        recording::TreeNode parent; // kRootNode or an earlier node's id
        std::string text;
        std::uint32_t flags = 0;
    };
    explicit NodeRecorder(int existing = 0)
        : m_existing(existing)
    {
    }
    int count() const override { return m_existing + static_cast<int>(m_nodes.size()); }
    recording::TreeNode insert(recording::TreeNode parent, const std::string& text) override
    {
        m_nodes.push_back({ parent, text, 0 });
        return static_cast<recording::TreeNode>(m_nodes.size());
    }
    void setFlags(recording::TreeNode node, std::uint32_t triggerFlags) override
    {
        if (node >= 1 && node <= static_cast<recording::TreeNode>(m_nodes.size()))
            m_nodes[static_cast<std::size_t>(node - 1)].flags = triggerFlags;
    }
    const std::vector<Node>& nodes() const { return m_nodes; }

private:
    int m_existing;
    std::vector<Node> m_nodes;
};

} // namespace kivora::browse
