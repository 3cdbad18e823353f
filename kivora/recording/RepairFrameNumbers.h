#pragma once

// How an H.264 stream numbers its reference pictures (frame_num): each picture of one recording
// carries the number that follows from the picture before it. After a cut, an older recording's
// picture that happens to line up with the walk mostly does not, which ends the walk there.

#include "kivora/recording/RepairSamples.h"

#include <cstdint>
#include <span>

namespace kivora::recording::repair {

struct FrameNumbering {
    int bits = 0; // width of frame_num; 0: unknown or gaps allowed, and nothing is checked
    bool separateColourPlanes = false;
};

// From a template's "avcC" payload (its first sequence parameter set).
FrameNumbering ReadFrameNumbering(std::span<const std::uint8_t> avcC);

// frame_num of the slice whose NAL unit (header byte included) starts at offset; -1 when it cannot
// be read.
int FrameNumberAt(FileWindow& file, std::uint64_t offset, const FrameNumbering& numbering);

// The frame_num the picture after one numbered frameNumber must carry.
inline int NextFrameNumber(const FrameNumbering& numbering, int frameNumber, bool reference)
{
    return reference ? (frameNumber + 1) % (1 << numbering.bits) : frameNumber;
}

} // namespace kivora::recording::repair
