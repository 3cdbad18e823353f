#pragma once

#include "kivora/recording/SystemTime.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace kivora::recording {

// A recorder movie name has exactly 30 characters, for example "AG__-230115-083000-000123M.MOV":
// mode [APT_], event [GM_], warning [ORT_], series start [S_], '-', yymmdd, '-', hhmmss, '-',
// six-digit file number, camera letter [MS], any character, "MOV" (case-sensitive).
inline constexpr std::size_t kRecordingNameLength = 30;

// Which camera a movie belongs to (the camera letter at index 25 of the name).
enum class CameraSide : char { Main = 'M', Sub = 'S' };

// Folders that keep the cameras apart in some card copies.
inline constexpr std::string_view kMainCameraFolder = "Main";
inline constexpr std::string_view kSubCameraFolder = "Sub_";

// Trigger category of a name; used as an integer by the list filters.
enum class TriggerKind : int {
    Unknown = -1,
    Continuous = 0,
    Shock = 1,
    Manual = 2,
    Parking = 3,
    ParkingShock = 4,
};

// Bits that TriggerFlags ORs into a caller's word.
struct TriggerFlag {
    static constexpr std::uint32_t Continuous = 0x01;
    static constexpr std::uint32_t Manual = 0x02;
    static constexpr std::uint32_t Shock = 0x04;
    static constexpr std::uint32_t Parking = 0x08;
    static constexpr std::uint32_t ParkingShock = 0x10;
    static constexpr std::uint32_t SpeedCamera = 0x20;
    static constexpr std::uint32_t Radar = 0x40;
};

// All functions below are pure (no I/O) and thread-safe, except that DataPath(path) reads the
// current layout. Functions taking a path look only at its last component unless they say so.

// True when the name ends in ".MOV" in any letter case.
bool IsMovieExtension(const std::filesystem::path& name);

// True when the name follows the recording grammar and has a known trigger category.
bool IsRecordingName(const std::filesystem::path& path);

// IsRecordingName restricted to the main camera (camera letter 'M').
bool IsMainCameraName(const std::filesystem::path& path);

TriggerKind TriggerCategory(const std::filesystem::path& path);

// ORs the trigger bits of the name into flags; always true.
bool TriggerFlags(const std::filesystem::path& path, std::uint32_t& flags);

// The UI text slots that make up the trigger text, in order; the text joins them with '+'.
// count is 0 for names without a trigger text (shorter than 30 characters, or unknown letters).
struct TriggerSlots {
    std::array<int, 3> ids {};
    int count = 0;
};
TriggerSlots TriggerTextSlots(const std::filesystem::path& path);

// Resolves a UI text slot to UTF-8 (the UI layer passes its text table).
using TextLookup = std::function<std::string_view(int slot)>;

// The trigger display text: the texts of TriggerTextSlots joined with '+'.
std::string TriggerText(const std::filesystem::path& path, const TextLookup& text);

// The list label: "AG__-hhmmss-nnnnnn" for recordings, otherwise the name up to its first '.'.
std::string RecordingLabel(const std::filesystem::path& path);

// Start date and time from the name as local time, normalised by the calendar (day 32 rolls over
// to the next month). A name without a readable date and time gives the epoch in local time.
SystemTime NameDateTime(const std::filesystem::path& path);

// The partner camera movie: a "Main" folder becomes "Sub_" (and back) when a 30-character name lies
// directly in it, and the camera letter (fifth character from the end) swaps between 'M' and 'S'.
std::filesystem::path PairPath(const std::filesystem::path& path);

// The telemetry data file of a movie: when the movie lies directly in the layout's normal or parking
// movie folder, that folder becomes the matching data folder; otherwise the data file lies beside
// the movie. The camera letter becomes 'D' and the extension ".ADA".
std::filesystem::path DataPath(const std::filesystem::path& path); // current layout
std::filesystem::path DataPath(const std::filesystem::path& path, int layout);

} // namespace kivora::recording
