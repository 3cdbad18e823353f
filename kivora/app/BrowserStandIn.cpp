#include "kivora/app/BrowserStandIn.h"

#include "kivora/recording/RecordingName.h"

#include <QFileDialog>

#include <tuple>

namespace kivora::app {

namespace fs = std::filesystem;

struct BrowserStandIn::Folder {
    fs::path directory;
    std::tuple<int, int, int> day;
    std::vector<recording::RecordingEntry> entries;
};

namespace {

// The tree items are opaque to everyone but their panel; this one hands out its own records.
browse::FolderNode* asNode(const void* folder)
{
    return static_cast<browse::FolderNode*>(const_cast<void*>(folder));
}

} // namespace

BrowserStandIn::BrowserStandIn(browse::IBrowserOwner& owner)
    : m_owner(owner)
{
}

BrowserStandIn::~BrowserStandIn() = default;

void BrowserStandIn::LoadSource(const fs::path& path, recording::SourceKind kind)
{
    ResetSource();
    if (!m_source.load(path))
        return;
    m_kind = m_source.source().kind == recording::SourceKind::SingleFiles ? recording::SourceKind::SingleFiles
                                                                          : kind;
    for (const recording::RecordingEntry& e : m_source.entries()) {
        const recording::SystemTime start = recording::NameDateTime(e.path);
        const std::tuple<int, int, int> day { start.year, start.month, start.day };
        const fs::path directory = e.path.parent_path();
        if (m_folders.empty() || m_folders.back()->directory != directory || m_folders.back()->day != day)
            m_folders.push_back(std::make_unique<Folder>(Folder { directory, day, {} }));
        m_folders.back()->entries.push_back(e);
    }
}

bool BrowserStandIn::SelectInitialFolder()
{
    if (m_folders.empty())
        return false;
    selectFolder(folder(0));
    return true;
}

int BrowserStandIn::FolderSelected(browse::FolderNode* item, bool)
{
    const int i = indexOf(item);
    m_list.clear();
    m_listFolder = -1;
    if (i < 0)
        return 0;
    m_listFolder = i;
    m_list.clear();
    // The trigger filters, one per TriggerKind 0..4; names of no known trigger always show.
    for (const recording::RecordingEntry& e : m_folders[std::size_t(i)]->entries) {
        const int kind = static_cast<int>(recording::TriggerCategory(e.path));
        if (kind < 0 || kind >= int(m_filters.size()) || m_filters[std::size_t(kind)])
            m_list.push_back(e);
    }
    for (std::size_t k = 0; k < m_list.size(); ++k)
        m_list[k].sequence = static_cast<std::int32_t>(k);
    return Count();
}

std::vector<recording::RecordingEntry> BrowserStandIn::AllRecordings()
{
    return m_source.entries();
}

void BrowserStandIn::ResetSource()
{
    m_source.clear();
    m_kind.reset();
    m_folders.clear();
    m_list.clear();
    m_listFolder = -1;
    m_selectedFolder = -1;
    m_advanceMode = 0;
}

std::optional<browse::SourceChoice> BrowserStandIn::runSourceDialog(QWidget* parent)
{
    const QString folder = QFileDialog::getExistingDirectory(parent);
    if (folder.isEmpty())
        return std::nullopt;
    return browse::SourceChoice { recording::SourceKind::Folder, fs::path(folder.toStdString()) };
}

browse::FolderNode* BrowserStandIn::selectedFolder() const
{
    return folder(m_selectedFolder);
}

browse::FolderNode* BrowserStandIn::folderAfter(browse::FolderNode* item) const
{
    const int i = indexOf(item);
    return i < 0 ? nullptr : folder(i + 1);
}

void BrowserStandIn::selectFolder(browse::FolderNode* item)
{
    const int i = indexOf(item);
    if (i < 0)
        return;
    m_selectedFolder = i;
    m_owner.onFolderChanged(item);
}

void BrowserStandIn::SelectRow(int index, int advanceMode)
{
    (void)index;
    m_advanceMode = advanceMode;
}

void BrowserStandIn::SetFilter(int k, bool on)
{
    if (k < 0 || k >= int(m_filters.size()))
        return;
    m_filters[std::size_t(k)] = on;
    // The list refills, and a list with rows opens its first one, as a selection would.
    if (m_listFolder >= 0 && FolderSelected(folder(m_listFolder), true) > 0)
        m_owner.onRecordingSelected(0);
}

bool BrowserStandIn::filter(int k) const
{
    return k >= 0 && k < int(m_filters.size()) && m_filters[std::size_t(k)];
}

recording::RecordingEntry* BrowserStandIn::Entry(int i)
{
    return i >= 0 && i < Count() ? &m_list[std::size_t(i)] : nullptr;
}

void BrowserStandIn::clearMarks()
{
    for (recording::RecordingEntry& e : m_list)
        e.marked = false;
}

std::optional<recording::SourceKind> BrowserStandIn::sourceKind() const
{
    return m_kind;
}

fs::path BrowserStandIn::sourcePath() const
{
    const recording::RecordingSource& s = m_source.source();
    return s.kind == recording::SourceKind::SingleFiles && !s.files.empty() ? s.files.front() : s.root;
}

browse::FolderNode* BrowserStandIn::folder(int i) const
{
    return i >= 0 && i < folderCount() ? asNode(m_folders[std::size_t(i)].get()) : nullptr;
}

int BrowserStandIn::indexOf(browse::FolderNode* item) const
{
    for (std::size_t i = 0; i < m_folders.size(); ++i)
        if (asNode(m_folders[i].get()) == item && item)
            return static_cast<int>(i);
    return -1;
}

} // namespace kivora::app
