// kivora-cli scan SOURCE [--filter C,S,M,P,PS]: the folder tree and recording lists of a source as
// one JSON object: source kind, layout, and the tree's nodes with their trigger flags, children and
// (for groups and folders) the recordings in list order.

#include "tools/common/JsonText.h"
#include "tools/kivora-cli/Commands.h"

#include "kivora/recording/CardLayout.h"
#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/MovieAtoms.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/recording/RecordingScan.h"
#include "kivora/recording/RecordingSource.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace kivora::cli {

namespace {

using namespace recording;
namespace fs = std::filesystem;

// The tree as the scan builds it; node ids are indexes + 1 (0 is the root).
class TreeSink : public NodeSink {
public:
    struct Node {
        TreeNode parent = kRootNode;
        std::string label;
        std::uint32_t flags = 0;
        fs::path path;
        int level = 1; // root children are level 1
        std::vector<RecordingEntry> entries;
        std::vector<TreeNode> children;
        bool listed = false; // a group whose recordings are in entries
    };

    explicit TreeSink(fs::path root)
        : m_root(std::move(root))
    {
    }
    int count() const override { return static_cast<int>(nodes.size()); }
    TreeNode insert(TreeNode parent, const std::string& text) override
    {
        Node node;
        node.parent = parent;
        node.label = text;
        node.path = pathOf(parent) / text;
        node.level = parent == kRootNode ? 1 : nodes[std::size_t(parent) - 1].level + 1;
        nodes.push_back(std::move(node));
        const auto id = static_cast<TreeNode>(nodes.size());
        (parent == kRootNode ? rootChildren : nodes[std::size_t(parent) - 1].children).push_back(id);
        return id;
    }
    void setFlags(TreeNode node, std::uint32_t flags) override { nodes[std::size_t(node) - 1].flags = flags; }

    fs::path pathOf(TreeNode node) const
    {
        return node == kRootNode ? m_root : nodes[std::size_t(node) - 1].path;
    }

    std::vector<Node> nodes;
    std::vector<TreeNode> rootChildren;

private:
    fs::path m_root;
};

// The JSON is appended to one buffer: a card's listing runs to thousands of entries.
template <class Number> void appendField(std::string& out, const char* key, Number value)
{
    out += ",\"";
    out += key;
    out += "\":";
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

void appendEntry(std::string& out, const RecordingEntry& e)
{
    out += "{\"path\":";
    out += json::jsonString(e.path.native());
    appendField(out, "sequence", e.sequence);
    appendField(out, "triggerLetter", e.triggerLetter);
    appendField(out, "mainSize", e.mainSize);
    appendField(out, "subSize", e.subSize);
    appendField(out, "dataSize", e.dataSize);
    out += '}';
}

void appendEntries(
    std::string& out, const std::vector<RecordingEntry>& entries, const std::optional<TriggerFilter>& filter)
{
    std::vector<RecordingEntry> shown;
    if (filter)
        FilterByTrigger(entries, *filter, shown);
    out += '[';
    bool first = true;
    for (const RecordingEntry& e : filter ? shown : entries) {
        if (!first)
            out += ',';
        first = false;
        appendEntry(out, e);
    }
    out += ']';
}

void appendNodes(std::string& out, const TreeSink& sink, const std::vector<TreeNode>& ids,
    const std::optional<TriggerFilter>& filter)
{
    out += '[';
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const TreeSink::Node& n = sink.nodes[std::size_t(ids[i]) - 1];
        out += i == 0 ? "{\"label\":" : ",{\"label\":";
        out += json::jsonString(n.label);
        appendField(out, "flags", n.flags);
        out += ",\"path\":";
        out += json::jsonString(n.path.native());
        out += ",\"entries\":";
        appendEntries(out, n.entries, filter);
        out += ",\"children\":";
        appendNodes(out, sink, n.children, filter);
        out += '}';
    }
    out += ']';
}

// Fills the recordings of every group node under parent from one listing of their folder: what
// opening each group in turn gives (ScanFolder of its path), in the same order, so the same
// sequence numbers. Group nodes are never folders; their folder is parent's ("Main" when present).
void listGroups(TreeSink& sink, TreeNode parent, const MovieTest& isMovie)
{
    const std::vector<TreeNode>& siblings
        = parent == kRootNode ? sink.rootChildren : sink.nodes[std::size_t(parent) - 1].children;
    std::map<std::string, GroupList> lists;
    std::error_code ec;
    for (TreeNode id : siblings)
        if (!fs::is_directory(sink.nodes[std::size_t(id) - 1].path, ec))
            lists[sink.nodes[std::size_t(id) - 1].label];
    const fs::path base = sink.pathOf(parent);
    const fs::path main = base / "Main";
    ScanGroupLists(fs::is_directory(main, ec) ? main : base, isMovie, lists);
    for (TreeNode id : siblings) {
        TreeSink::Node& node = sink.nodes[std::size_t(id) - 1];
        const auto list = lists.find(node.label);
        if (list != lists.end() && !node.listed) {
            node.entries = std::move(list->second.recordings);
            node.listed = true;
        }
    }
}

bool parseFilter(const char* text, TriggerFilter& filter)
{
    int values[5];
    char tail = 0;
    if (std::sscanf(
            text, "%d,%d,%d,%d,%d%c", &values[0], &values[1], &values[2], &values[3], &values[4], &tail)
        != 5)
        return false;
    for (int i = 0; i < 5; ++i) {
        if (values[i] != 0 && values[i] != 1)
            return false;
        filter[std::size_t(i)] = values[i];
    }
    return true;
}

} // namespace

int runScan(std::span<char*> args)
{
    std::optional<fs::path> source;
    std::optional<TriggerFilter> filter;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (std::strcmp(args[i], "--filter") == 0 && i + 1 < args.size()) {
            TriggerFilter f {};
            if (!parseFilter(args[++i], f)) {
                std::fprintf(stderr, "kivora-cli scan: --filter takes five 0/1 values, e.g. 1,0,0,0,0\n");
                return 2;
            }
            filter = f;
        } else if (!source && args[i][0] != '-') {
            source = args[i];
        } else {
            source.reset();
            break;
        }
    }
    if (!source) {
        std::fputs("usage: kivora-cli scan SOURCE [--filter C,S,M,P,PS]\n", stderr);
        return 2;
    }
    std::error_code ec;
    if (!fs::exists(*source, ec)) {
        std::fprintf(stderr, "kivora-cli scan: '%s' does not exist\n", source->c_str());
        return 1;
    }
    ResetCreationCounter();
    setCurrentLayout(0);
    // The tree and then the group lists test the same movies: each movie's file is opened once,
    // and the size read by that open serves the recording's entry.
    std::unordered_map<std::string, MovieVerdict> tested;
    const MovieTest isMovie = [&tested](const fs::path& p) {
        const auto [it, fresh] = tested.try_emplace(p.native(), false);
        std::uint64_t size = 0;
        if (fresh && IsMovieFile(p, size))
            it->second = MovieVerdict(true, size);
        return it->second;
    };

    RecordingSource src;
    src.root = *source;
    std::vector<RecordingEntry> rootEntries;
    TreeSink sink(*source);
    if (!fs::is_directory(*source, ec)) {
        src.kind = SourceKind::SingleFiles;
        src.root.clear();
        src.files = { *source };
        DetectLayout(*source);
        if (IsMovieExtension(*source) && IsMovieFile(*source))
            MakeRecordingEntry(*source, rootEntries);
    } else {
        std::vector<fs::path> drives;
        ListRemovableDrives(drives);
        const fs::path canonical = fs::weakly_canonical(*source, ec);
        src.kind = std::find(drives.begin(), drives.end(), canonical) != drives.end() ? SourceKind::Card
                                                                                      : SourceKind::Folder;
        src.isCard = DetectLayout(*source) == 1;
        std::vector<RecordingEntry> folders;
        int counter = 0;
        fs::path effective;
        ScanFolder(*source, { &sink, &rootEntries, &folders, isMovie, src.isCard }, kRootNode, 0, counter,
            effective);
        // Expand the tree the way a user opening every node would: folders not yet entered are
        // scanned, groups list their recordings.
        for (std::size_t i = 0; i < sink.nodes.size(); ++i) {
            const auto id = static_cast<TreeNode>(i + 1);
            const fs::path path = sink.nodes[i].path;
            const int level = sink.nodes[i].level;
            std::vector<RecordingEntry> entries;
            int listed = 0;
            if (fs::is_directory(path, ec)) {
                if (!sink.nodes[i].children.empty() || level >= kMaxFolderDepth)
                    continue;
                ScanFolder(
                    path, { &sink, &entries, &folders, isMovie, src.isCard }, id, level, listed, effective);
                sink.nodes[i].entries = std::move(entries);
            } else if (!sink.nodes[i].listed) {
                listGroups(sink, sink.nodes[i].parent, isMovie);
            }
        }
    }
    src.layout = currentLayout();

    std::string out = "{\"source\":" + json::jsonString(source->native());
    appendField(out, "kind", static_cast<int>(src.kind));
    appendField(out, "layout", src.layout);
    out += src.isCard ? ",\"card\":true" : ",\"card\":false";
    out += ",\"entries\":";
    appendEntries(out, rootEntries, filter);
    out += ",\"tree\":";
    appendNodes(out, sink, sink.rootChildren, filter);
    out += "}\n";
    std::fputs(out.c_str(), stdout);
    return 0;
}

} // namespace kivora::cli
