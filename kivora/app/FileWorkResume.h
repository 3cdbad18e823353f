#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace kivora::app {

// While a file command has the recording closed (a save, a join, a delete), the window remembers
// which movie was open and where, so that the same movie comes back at the same frame. A movie the
// command removed or replaced by another is not sought in. UI thread.
class FileWorkResume {
public:
    // Closing for file work: the open movie (empty when none) and the frame shown.
    void remember(std::filesystem::path movie, std::int64_t shownFrame);
    // The command ended: true when the remembered movie still exists and should open again;
    // otherwise the memory is dropped.
    bool arm();
    bool armed() const { return m_armed; }
    // The reopened recording is ready: the frame to seek to when it is the remembered movie and
    // was not at its start. Disarms either way.
    std::optional<std::int64_t> take(const std::filesystem::path& openMovie);

private:
    std::filesystem::path m_movie; // empty when nothing waits
    std::int64_t m_frame = -1;
    bool m_armed = false;
};

} // namespace kivora::app
