#pragma once

#include "kivora/browse/IBrowserPanel.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kivora::platform {
class IniFile;
}

namespace kivora::browse {

// What the settings file remembers of the last source (section SOURCE).
struct StoredSource {
    std::string select; // "SD", "FOLDER" or "FILE"
    std::string sd;
    std::string folder;
    std::string file;
};
StoredSource readStoredSource(const platform::IniFile& settings);

// The source opened at start-up: the last removable drive that exists (its mount point as it
// stands), else the stored folder when it exists, else the stored file when it exists and has a
// recording name. Nothing when none qualifies.
std::optional<SourceChoice> restoreChoice(
    const std::vector<std::filesystem::path>& drives, const StoredSource& stored);

// SOURCE/SELECT as a kind; anything unknown means the SD card.
recording::SourceKind kindFromSelect(const std::string& select);
const char* selectText(recording::SourceKind kind);
const char* sourceKey(recording::SourceKind kind);

// The source dialog's OK: enabled exactly when the chosen kind's value is present.
bool sourceChoiceComplete(recording::SourceKind kind, bool driveSelected, const std::string& folderText,
    const std::string& fileText);

// Writes SELECT and then the kind's key. False when a write failed.
bool storeChoice(const platform::IniFile& settings, recording::SourceKind kind, const std::string& text);

} // namespace kivora::browse
