#pragma once

#include "kivora/recording/SystemTime.h"

#include <cstdint>
#include <filesystem>

namespace kivora::recording {

// Attribute bits of RecordingEntry::attributes, as the folder listing reports them.
inline constexpr std::uint32_t kAttrHidden = 0x02;
inline constexpr std::uint32_t kAttrDirectory = 0x10;

// Size value of folder entries (all three sizes).
inline constexpr std::uint64_t kFolderEntrySize = ~std::uint64_t { 0 };

// One recording (keyed by its main-camera movie) or one folder. A plain value: lists keep it by
// value in contiguous arrays and copy them freely. Fields a producer does not set stay zero.
struct RecordingEntry {
    std::filesystem::path path;
    std::uint32_t attributes = 0; // only the folder listing sets it (kAttrHidden, kAttrDirectory)
    std::int32_t sequence = 0; // creation order within one scan; -1 for folder entries
    std::int32_t triggerLetter = 0; // first character of the name when TriggerCategory is known, else 0
    std::int32_t marked = 0; // 1 while the recording is part of a save or concatenation
    std::int32_t qualityCode = 0; // 1..10 picture size/quality once played; 0 unknown
    float framesPerSecond = 0.0f; // filled when played
    SystemTime start; // NameDateTime of the path, filled when played
    SystemTime end; // never filled
    std::uint64_t mainSize = 0; // kFolderEntrySize for folder entries
    std::uint64_t subSize = 0; // 0 when the sub-camera movie does not exist
    std::uint64_t dataSize = 0; // 0 when the data file does not exist
};

} // namespace kivora::recording
