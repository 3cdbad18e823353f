#pragma once

#include "kivora/browse/IBrowserPanel.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kivora::browse {

// Firmware "a.b.c" from the header's six version bytes (two decimal digits each); nothing when a
// byte is not a digit, so that stray bytes never reach the update notice.
std::optional<std::string> firmwareFromRaw(const std::array<char, 6>& raw);

// The GPS data version from the six trailer bytes: nothing when all six are spaces (the previous
// value stands) or when any byte is neither a digit nor a zero byte; six zero bytes give "000000".
std::optional<std::string> gpsVersionFromTrailer(const std::array<char, 6>& trailer);

// "Vireo_download" when its shortcut lies in the card root, else "Sorrel_download", else empty.
std::string modelKeyAt(const std::filesystem::path& cardRoot);

// Identifies the recorder of a card from the newest recording of its first movie folder that
// holds any. folderEntries are the folder entries of the card's scan. Without a readable header
// everything stays as in `previous`; a version that fails its check keeps its previous value.
RecorderIdentity identifyRecorder(const std::filesystem::path& cardRoot,
    std::vector<recording::RecordingEntry> folderEntries, const RecorderIdentity& previous);

} // namespace kivora::browse
