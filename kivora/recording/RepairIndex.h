#pragma once

// The movie index ("moov") of a repaired movie: the template's track descriptions with sample
// tables rebuilt for the samples kept.

#include "kivora/recording/RepairTemplate.h"

#include <cstdint>
#include <vector>

namespace kivora::recording::repair {

struct KeptSample {
    std::uint64_t offset = 0; // in the output file
    std::uint32_t size = 0;
    std::uint8_t track = 0; // index into the template's tracks
    bool sync = false;
    // Added to the track's sample period: the time a damaged stretch after this sample held.
    std::uint32_t extraDuration = 0;
};

// Tracks without samples are left out. Times of creation and change are left at zero: the
// template's belong to another recording.
std::vector<std::uint8_t> buildMovieIndex(const RepairTemplate& tpl, const std::vector<KeptSample>& samples);

} // namespace kivora::recording::repair
