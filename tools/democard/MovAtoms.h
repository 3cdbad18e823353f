#pragma once

#include "tools/democard/Result.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kivora::democard {

struct AtomInfo {
    std::string type;
    std::uint64_t offset = 0; // of the atom's size field
    std::uint64_t size = 0; // header included
};

// The atoms directly inside [begin, end) of bytes; stops at the first malformed size.
std::vector<AtomInfo> listAtoms(std::span<const std::uint8_t> bytes, std::uint64_t begin, std::uint64_t end);

// The first atom along a path of types ("moov", "trak", ...) below the top level, or none.
std::vector<AtomInfo> findAtoms(std::span<const std::uint8_t> bytes, std::span<const std::string> path);

// Rewrites a muxer's movie into a recorder's layout: "ftyp", "mdat", "moov" and a last top-level
// "udat" atom whose payload is the telemetry block. Anything else at the top level (the muxer's
// "wide"/"free" placeholders) is dropped and the chunk offsets are moved to match.
Result<std::vector<std::uint8_t>> arrangeRecorderMovie(
    std::span<const std::uint8_t> muxed, std::span<const std::uint8_t> udatPayload);

std::uint32_t readU32(const std::uint8_t* p);
void writeU32(std::uint8_t* p, std::uint32_t v);

} // namespace kivora::democard
