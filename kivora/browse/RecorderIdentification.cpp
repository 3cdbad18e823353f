#include "kivora/browse/RecorderIdentification.h"

#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/recording/RecordingScan.h"
#include "kivora/recording/TelemetryReader.h"

#include <algorithm>

namespace kivora::browse {

namespace fs = std::filesystem;

namespace {
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}
} // namespace

std::optional<std::string> firmwareFromRaw(const std::array<char, 6>& raw)
{
    if (!std::all_of(raw.begin(), raw.end(), isDigit))
        return std::nullopt;
    auto piece = [&](int i) { return std::to_string((raw[2 * i] - '0') * 10 + (raw[2 * i + 1] - '0')); };
    return piece(0) + "." + piece(1) + "." + piece(2);
}

std::optional<std::string> gpsVersionFromTrailer(const std::array<char, 6>& trailer)
{
    if (std::all_of(trailer.begin(), trailer.end(), [](char c) { return c == ' '; }))
        return std::nullopt;
    // Zero bytes are what an unread trailer leaves; they count as the digit 0.
    if (!std::all_of(trailer.begin(), trailer.end(), [](char c) { return c == '\0' || isDigit(c); }))
        return std::nullopt;
    std::string out;
    for (char c : trailer)
        out.push_back(c == '\0' ? '0' : c);
    return out;
}

std::string modelKeyAt(const fs::path& cardRoot)
{
    std::error_code ec;
    for (const char* key : { "Vireo_download", "Sorrel_download" })
        if (fs::exists(cardRoot / (std::string(key) + ".url"), ec))
            return key;
    return {};
}

RecorderIdentity identifyRecorder(const fs::path& cardRoot,
    std::vector<recording::RecordingEntry> folderEntries, const RecorderIdentity& previous)
{
    RecorderIdentity id = previous;
    const auto& layout = recording::folderLayout(recording::currentLayout());
    recording::SortByName(folderEntries, false);
    // Only the newest recording is read, so only it needs an entry: the candidates are put in
    // recording order and tried from the end (an entry fails only for a movie that cannot be
    // opened, which the full list would have left out as well).
    std::vector<recording::RecordingEntry> found;
    for (const auto& folder : folderEntries) {
        std::error_code ec;
        const std::string text = folder.path.string();
        if (!fs::is_directory(folder.path, ec)
            || (text.find(layout.normal.movie.folder) == std::string::npos
                && text.find(layout.parking.movie.folder) == std::string::npos))
            continue;
        std::vector<recording::RecordingEntry> listing;
        if (!recording::ListFolder(folder.path, listing))
            continue;
        std::erase_if(listing, [](const recording::RecordingEntry& item) {
            const int kind = static_cast<int>(recording::TriggerCategory(item.path));
            return (item.attributes & recording::kAttrDirectory) != 0
                || !recording::IsMovieExtension(item.path) || kind < 0 || kind > 4;
        });
        recording::SortRecordingNames(listing);
        for (auto it = listing.rbegin(); it != listing.rend() && found.empty(); ++it)
            recording::MakeRecordingEntry(it->path, found);
        if (!found.empty())
            break;
    }
    recording::TelemetryHeader header;
    if (found.empty() || !recording::ReadHeader(found.back().path, header))
        return id;
    if (auto firmware = firmwareFromRaw(header.raw6))
        id.firmwareVersion = *firmware;
    std::array<char, 6> trailer {};
    recording::ReadTrailer(found.back().path, trailer);
    if (auto gps = gpsVersionFromTrailer(trailer))
        id.gpsDataVersion = *gps;
    id.modelKey = modelKeyAt(cardRoot);
    return id;
}

} // namespace kivora::browse
