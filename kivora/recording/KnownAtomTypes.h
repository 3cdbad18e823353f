#pragma once

#include <cstdint>
#include <string_view>

namespace kivora::recording {

// The four-character codes the movie reader knows. An atom whose payload starts like an atom of a
// known type (bytes 4..7) is read as a container. Exact, case-sensitive comparison.
bool isKnownAtomType(const std::uint8_t* fourBytes);
bool isKnownAtomType(std::string_view type);

// Number of distinct codes in the set (the source table lists "xml " twice).
std::size_t knownAtomTypeCount();

} // namespace kivora::recording
