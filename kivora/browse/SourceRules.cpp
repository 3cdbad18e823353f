#include "kivora/browse/SourceRules.h"

#include "kivora/platform/IniFile.h"
#include "kivora/recording/RecordingName.h"

namespace kivora::browse {

namespace fs = std::filesystem;
using recording::SourceKind;

StoredSource readStoredSource(const platform::IniFile& settings)
{
    return { settings.read("SOURCE", "SELECT"), settings.read("SOURCE", "SD"),
        settings.read("SOURCE", "FOLDER"), settings.read("SOURCE", "FILE") };
}

std::optional<SourceChoice> restoreChoice(const std::vector<fs::path>& drives, const StoredSource& stored)
{
    std::error_code ec;
    for (auto it = drives.rbegin(); it != drives.rend(); ++it)
        if (!it->empty() && fs::exists(*it, ec))
            return SourceChoice { SourceKind::Card, *it };
    if (!stored.folder.empty() && fs::exists(stored.folder, ec))
        return SourceChoice { SourceKind::Folder, stored.folder };
    if (!stored.file.empty() && fs::is_regular_file(stored.file, ec)
        && recording::IsRecordingName(stored.file))
        return SourceChoice { SourceKind::SingleFiles, stored.file };
    return std::nullopt;
}

SourceKind kindFromSelect(const std::string& select)
{
    if (select == "FOLDER")
        return SourceKind::Folder;
    if (select == "FILE")
        return SourceKind::SingleFiles;
    return SourceKind::Card;
}

const char* selectText(SourceKind kind)
{
    switch (kind) {
    case SourceKind::Card:
        return "SD";
    case SourceKind::Folder:
        return "FOLDER";
    case SourceKind::SingleFiles:
        return "FILE";
    }
    return "SD";
}

const char* sourceKey(SourceKind kind)
{
    // The keys are the SELECT texts themselves.
    return selectText(kind);
}

bool sourceChoiceComplete(
    SourceKind kind, bool driveSelected, const std::string& folderText, const std::string& fileText)
{
    switch (kind) {
    case SourceKind::Card:
        return driveSelected;
    case SourceKind::Folder:
        return !folderText.empty();
    case SourceKind::SingleFiles:
        return !fileText.empty();
    }
    return false;
}

bool storeChoice(const platform::IniFile& settings, SourceKind kind, const std::string& text)
{
    return settings.write("SOURCE", "SELECT", selectText(kind))
        && settings.write("SOURCE", sourceKey(kind), text);
}

} // namespace kivora::browse
