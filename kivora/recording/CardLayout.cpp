#include "kivora/recording/CardLayout.h"

#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/NameChars.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/system/Drives.h"
#include "kivora/system/FileAttributes.h"
#include "kivora/system/FileOps.h"

#include <algorithm>
#include <system_error>

namespace kivora::recording {

namespace {

bool isFolder(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

// The folder test at a card root: a normal movie folder decides the layout; a lone "Parking"
// folder is a card of layout 0. Checking both normal folders before "Parking" keeps a card with
// "Video" and "Parking" on layout 1.
bool detectAtRoot(const std::filesystem::path& root)
{
    for (int layout = 0; layout < int(kFolderLayouts.size()); ++layout) {
        if (isFolder(root / folderLayout(layout).normal.movie.folder)) {
            setCurrentLayout(layout);
            return true;
        }
    }
    for (int layout = 0; layout < int(kFolderLayouts.size()); ++layout) {
        if (isFolder(root / folderLayout(layout).parking.movie.folder)) {
            setCurrentLayout(0);
            return true;
        }
    }
    setCurrentLayout(0);
    return false;
}

// The first layout with a movie folder named like path's parent; -1 when none is.
int layoutOfParent(const std::filesystem::path& path)
{
    const std::string parent = path.parent_path().filename().native();
    for (int layout = 0; layout < int(kFolderLayouts.size()); ++layout) {
        const FolderLayout& folders = folderLayout(layout);
        if (detail::equalsNoCase(parent, folders.normal.movie.folder)
            || detail::equalsNoCase(parent, folders.parking.movie.folder))
            return layout;
    }
    return -1;
}

struct MarkStep {
    std::filesystem::path file;
    std::filesystem::path marker;
    bool wasHidden = false;
};

bool mark(MarkStep& step)
{
    step.wasHidden = system::isHidden(step.file);
    if (!system::setHidden(step.file, true))
        return false;
    if (system::renameNoReplace(step.file, step.marker))
        return true;
    system::setHidden(step.file, step.wasHidden);
    return false;
}

void unmark(const MarkStep& step)
{
    if (system::renameNoReplace(step.marker, step.file))
        system::setHidden(step.file, step.wasHidden);
}

} // namespace

int DetectLayout(const std::filesystem::path& path)
{
    if (isFolder(path))
        return detectAtRoot(path) ? 1 : 0;

    if (const int layout = layoutOfParent(path); layout >= 0)
        setCurrentLayout(layout);
    return 0;
}

int MovieLayout(const std::filesystem::path& movie)
{
    return std::max(layoutOfParent(movie), 0);
}

bool IsRecorderCard(const std::filesystem::path& root)
{
    return detectAtRoot(root);
}

std::filesystem::path MountRoot(const std::filesystem::path& path)
{
    return system::MountRoot(path);
}

bool MarkDeleted(const std::filesystem::path& path)
{
    return MarkDeleted(path, currentLayout());
}

bool MarkDeleted(const std::filesystem::path& path, int layout)
{
    // The marker names are built from the grammar's fixed positions; any other name would rename
    // files the recorder never wrote.
    if (!IsRecordingName(path))
        return false;

    const FolderLayout& folders = folderLayout(layout);
    const std::filesystem::path folder = path.parent_path();
    const std::string folderName = folder.filename().native();
    const bool inLayoutFolder = folderName == folders.normal.movie.folder
        || folderName == folders.normal.data.folder || folderName == folders.parking.movie.folder
        || folderName == folders.parking.data.folder;
    const std::filesystem::path base = inLayoutFolder ? folder.parent_path() : folder;
    const TriggerKind kind = TriggerCategory(path);
    const LayoutSet& set = kind == TriggerKind::Parking || kind == TriggerKind::ParkingShock ? folders.parking
                                                                                             : folders.normal;
    const std::string stem = path.filename().native().substr(0, 25);

    auto stepFor = [&](const LayoutFolder& entry) {
        const std::filesystem::path dir = inLayoutFolder ? base / entry.folder : base;
        const std::string name = stem + entry.letter + ".";
        return MarkStep { dir / (name + std::string(entry.extension)),
            dir / (name + std::string(entry.deletedExtension)) };
    };
    MarkStep movie = stepFor(set.movie);
    MarkStep data = stepFor(set.data);

    // Every refusal is decided before anything changes, so a refused deletion leaves the card
    // exactly as it was. A recording without a data file is still deleted: there is nothing to mark.
    if (!system::entryExists(movie.file) || system::entryExists(movie.marker))
        return false;
    const bool hasData = system::entryExists(data.file);
    if (hasData && system::entryExists(data.marker))
        return false;

    if (!mark(movie))
        return false;
    if (hasData && !mark(data)) {
        unmark(movie);
        return false;
    }
    return true;
}

} // namespace kivora::recording
