#pragma once

// One fuzz input through the recording-name grammar: the input is a path (up to its first NUL),
// and every name query must stay inside the name and agree with the others. Shared by the
// libFuzzer target and the test that replays the seeds.

#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/recording/RecordingScan.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kivora::fuzzing {

inline int fuzzNameInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kivora::recording;
    std::string text(reinterpret_cast<const char*>(data), size);
    text.resize(std::char_traits<char>::length(text.c_str())); // paths end at a NUL
    const std::filesystem::path path(text);

    const bool recording = IsRecordingName(path);
    const bool main = IsMainCameraName(path);
    (void)IsMovieExtension(path);
    const TriggerKind kind = TriggerCategory(path);
    std::uint32_t flags = 0;
    (void)TriggerFlags(path, flags);
    (void)TriggerTextSlots(path);
    (void)TriggerText(path, [](int) { return std::string_view("x"); });
    (void)RecordingLabel(path);
    const SystemTime t = NameDateTime(path);
    if (t.year != 0
        && (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59))
        __builtin_trap(); // a date is given only when it is one
    for (int layout = 0; layout < 2; ++layout) {
        const std::filesystem::path data = DataPath(path, layout);
        if (recording && data.filename() == path.filename())
            __builtin_trap(); // the data file never takes the movie's own name
    }
    (void)PairPath(path);
    GroupState state;
    (void)GroupLabel(path.filename().native(), state);
    (void)GroupLabel(path.filename().native(), state);
    (void)main;
    (void)kind;
    return 0;
}

} // namespace kivora::fuzzing
