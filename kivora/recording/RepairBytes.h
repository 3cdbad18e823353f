#pragma once

// Big-endian fields and atom headers inside byte buffers, shared by the repair's template reader
// and movie builder. Every read is bounds-checked by its caller through AtomsIn.

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace kivora::recording::repair {

inline std::uint16_t be16(const std::uint8_t* p)
{
    return std::uint16_t(p[0] << 8 | p[1]);
}
inline std::uint32_t be32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}
inline std::uint64_t be64(const std::uint8_t* p)
{
    return std::uint64_t(be32(p)) << 32 | be32(p + 4);
}

inline void put32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v >> 24);
    p[1] = std::uint8_t(v >> 16);
    p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
}
inline void put64(std::uint8_t* p, std::uint64_t v)
{
    put32(p, std::uint32_t(v >> 32));
    put32(p + 4, std::uint32_t(v));
}
inline void append32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    const std::size_t at = out.size();
    out.resize(at + 4);
    put32(out.data() + at, v);
}
inline void append64(std::vector<std::uint8_t>& out, std::uint64_t v)
{
    const std::size_t at = out.size();
    out.resize(at + 8);
    put64(out.data() + at, v);
}

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
        std::uint64_t size = be32(bytes.data() + at);
        std::size_t header = 8;
        if (size == 1) {
            if (bytes.size() - at < 16) {
                r.ok = false;
                break;
            }
            size = be64(bytes.data() + at + 8);
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
