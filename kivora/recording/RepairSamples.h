#pragma once

// What the repair's walk reads and recognises in a cut movie's data: spans of the file in small
// reads, and the video samples (length-prefixed H.264 NAL units) it finds there. Used by one
// thread at a time.

#include "kivora/system/UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace kivora::recording::repair {

// Reads spans of a file in small reads: the walk looks only at the ends of NAL units and at sound
// frames, and the copy runs in the kernel beside it, so the walk neither maps nor copies the
// data. A span stays valid until the next call of at().
class FileWindow {
public:
    bool open(const std::filesystem::path& path);
    const std::string& error() const { return m_error; }
    std::uint64_t size() const { return m_size; }
    // At most length bytes from offset (fewer at the file's end); empty when reading fails.
    std::span<const std::uint8_t> at(std::uint64_t offset, std::size_t length);

private:
    system::UniqueFd m_fd;
    std::uint64_t m_size = 0;
    std::string m_error;
    std::vector<std::uint8_t> m_buffer;
    std::uint64_t m_start = 0; // file offset of m_buffer[0]
    std::size_t m_filled = 0;
};

// Length of the one video sample (access unit) at the start of data, 0 when there is none: NAL
// units with sane lengths, a clear forbidden bit, types and reference flags a baseline to high
// profile stream may carry, an end that was written, and exactly one picture's slices starting at
// its first macroblock.
struct VideoSample {
    std::size_t length = 0;
    bool sync = false;
    std::uint64_t firstSlice = 0; // where its first slice's NAL unit starts (at its header byte)
    bool reference = false; // other pictures may refer to it
};

// The sample at start, within [start, end).
VideoSample videoSampleAt(FileWindow& file, std::uint64_t start, std::uint64_t end, int lengthSize);

// Whether a video sample may start at data: a first NAL unit whose length, header and (for a
// slice) first macroblock fit one. Cheap enough to try at every byte of a sound frame's range.
bool videoMayStartAt(std::span<const std::uint8_t> data, int lengthSize, std::uint64_t remaining);

bool allZero(std::span<const std::uint8_t> data);

} // namespace kivora::recording::repair
