#pragma once

// Atom headers inside byte buffers, shared by the repair's template reader
// and movie builder. Every read is bounds-checked by its caller through AtomsIn.

#include "kivora/system/BigEndian.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace kivora::recording::repair {

using kivora::system::appendBe32;
using kivora::system::appendBe64;
using kivora::system::readBe16;
using kivora::system::readBe32;
using kivora::system::readBe64;
using kivora::system::writeBe32;
using kivora::system::writeBe64;

// One atom inside a buffer: whole spans the header too.
struct Atom {
    std::string_view type;
    std::span<const std::uint8_t> whole;
    std::span<const std::uint8_t> payload;
};

// The atoms directly inside bytes, in order; stops (ok = false) at the first size that is
// 0, below 8 or overruns the buffer. 64-bit sizes are accepted.
struct AtomsIn {
    std::vector<Atom> atoms;
    bool ok = true;
};
inline AtomsIn atomsIn(std::span<const std::uint8_t> bytes)
{
    AtomsIn r;
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < 8) {
            r.ok = false;
            break;
        }
        std::uint64_t size = readBe32(bytes.data() + at);
        std::size_t header = 8;
        if (size == 1) {
            if (bytes.size() - at < 16) {
                r.ok = false;
                break;
            }
            size = readBe64(bytes.data() + at + 8);
            header = 16;
        }
        if (size < header || size > bytes.size() - at) {
            r.ok = false;
            break;
        }
        const auto whole = bytes.subspan(at, std::size_t(size));
        r.atoms.push_back({ std::string_view(reinterpret_cast<const char*>(whole.data() + 4), 4), whole,
            whole.subspan(header) });
        at += std::size_t(size);
    }
    return r;
}

inline std::optional<Atom> child(std::span<const std::uint8_t> bytes, std::string_view type)
{
    for (const Atom& a : atomsIn(bytes).atoms) {
        if (a.type == type)
            return a;
    }
    return std::nullopt;
}

} // namespace kivora::recording::repair
