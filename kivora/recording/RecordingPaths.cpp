#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/RecordingName.h"

#include "kivora/recording/NameChars.h"

namespace kivora::recording {

using detail::equalsNoCase;
using detail::kNoIndex;

namespace {

// Byte offset of the character `units` UTF-16 units from the end, when it lies in the last
// component (a short name never lets an edit reach into the folders above it).
std::size_t nameOffsetFromEnd(std::string_view path, std::size_t units)
{
    const std::size_t offset = detail::offsetFromEnd(path, units);
    return offset != kNoIndex && offset >= detail::lastComponentStart(path) ? offset : kNoIndex;
}

// The direct parent folder's name and where it starts; empty when the path has no parent folder.
struct Parent {
    std::size_t start = 0;
    std::string_view name;
};

Parent parentOf(std::string_view path)
{
    const std::size_t nameStart = detail::lastComponentStart(path);
    if (nameStart == 0)
        return {};
    const std::string_view folders = path.substr(0, nameStart - 1);
    const std::size_t start = detail::lastComponentStart(folders);
    return { start, folders.substr(start) };
}

} // namespace

std::filesystem::path PairPath(const std::filesystem::path& path)
{
    std::string result = path.native();

    // Only a folder that is exactly "Main" or "Sub_" swaps; "Domain/" or "MainX" + a 29-character
    // name must not be mangled into a path that never exists.
    const Parent parent = parentOf(result);
    if (detail::utf16Length(detail::lastComponent(result)) == kRecordingNameLength) {
        if (equalsNoCase(parent.name, kMainCameraFolder))
            result.replace(parent.start, parent.name.size(), kSubCameraFolder);
        else if (equalsNoCase(parent.name, kSubCameraFolder))
            result.replace(parent.start, parent.name.size(), kMainCameraFolder);
    }

    const std::size_t camera = nameOffsetFromEnd(result, 5);
    if (camera != kNoIndex) {
        if (result[camera] == 'M')
            result[camera] = 'S';
        else if (result[camera] == 'S')
            result[camera] = 'M';
    }
    return result;
}

std::filesystem::path DataPath(const std::filesystem::path& path)
{
    return DataPath(path, currentLayout());
}

std::filesystem::path DataPath(const std::filesystem::path& path, int layout)
{
    const FolderLayout& folders = folderLayout(layout);
    std::string result = path.native();

    // Only a parent named exactly like a movie folder counts, so "MyNormal/" stays as it is.
    const Parent parent = parentOf(result);
    if (equalsNoCase(parent.name, folders.normal.movie.folder))
        result.replace(parent.start, parent.name.size(), folders.normal.data.folder);
    else if (equalsNoCase(parent.name, folders.parking.movie.folder))
        result.replace(parent.start, parent.name.size(), folders.parking.data.folder);

    const std::size_t camera = nameOffsetFromEnd(result, 5);
    if (camera != kNoIndex)
        result[camera] = folders.normal.data.letter;

    const std::size_t nameStart = detail::lastComponentStart(result);
    const std::size_t dot = result.rfind('.');
    if (dot != std::string::npos && dot >= nameStart)
        result.erase(dot);
    result += '.';
    result += folders.normal.data.extension;
    return result;
}

} // namespace kivora::recording
