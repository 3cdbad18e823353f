#pragma once

// Internal to the movie writer: the sample tables of a movie's tracks and how two of them are
// appended. Used by Merge and the concatenation job.

#include "kivora/recording/MovieAtoms.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kivora::recording::detail {

inline constexpr std::uint64_t kMaxMovieBytes = 0xFFFFFFFFull; // 32-bit atom sizes and chunk offsets

AtomNode* childOf(AtomNode* node, std::string_view type);
// The first atom of that type, depth first, without looking into "mdat".
AtomNode* firstOfType(AtomNode& node, std::string_view type);

// Adds shift to every chunk offset of the movie ("stco"); a damaged table is left alone.
void shiftChunkOffsets(sMP4MOVIE& movie, std::int64_t shift);

// Room in the base tree's growing tables for parts like the first, so that they are not moved
// again and again as parts are appended.
void reserveTables(sMP4MOVIE& movie, std::size_t parts);

// Frees the loaded payloads of a subtree.
void releasePayloads(AtomNode& node);

} // namespace kivora::recording::detail
