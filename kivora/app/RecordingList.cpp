#include "kivora/app/RecordingList.h"

#include "kivora/recording/CardLayout.h"
#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/recording/RecordingScan.h"

namespace kivora::app {

namespace fs = std::filesystem;

void RecordingList::clear()
{
    m_source = {};
    m_entries.clear();
    m_voltageTrace = false;
}

bool RecordingList::load(const fs::path& source)
{
    clear();
    std::error_code ec;
    if (fs::is_directory(source, ec)) {
        m_source.kind = recording::SourceKind::Folder;
        m_source.root = source;
        // Sets the process's folder layout, which decides where the data files are looked for.
        m_source.isCard = recording::IsRecorderCard(source);
        m_source.layout = recording::currentLayout();
        int counter = 0;
        // The file name and the folder decide; the engines judge the content when they open it.
        const recording::MovieTest byName = [](const fs::path& p) { return recording::IsMovieExtension(p); };
        recording::CollectFlat(source, byName, m_entries, counter);
        std::erase_if(m_entries, [](const recording::RecordingEntry& e) {
            return (e.attributes & recording::kAttrDirectory) != 0;
        });
        m_voltageTrace = m_source.isCard && fs::exists(source / "pvtrace.txt", ec);
    } else {
        m_source.kind = recording::SourceKind::SingleFiles;
        m_source.files = { source };
        recording::DetectLayout(source);
        m_source.layout = recording::currentLayout();
        recording::MakeRecordingEntry(source, m_entries);
    }
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        m_entries[i].sequence = static_cast<std::int32_t>(i);
    return !m_entries.empty();
}

} // namespace kivora::app
