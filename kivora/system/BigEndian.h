#pragma once

// Big-endian fields of movie atoms and telemetry blocks. The caller checks the bounds; ByteReader
// does it for a walk over a span.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kivora::system {

inline std::uint16_t readBe16(const std::uint8_t* p)
{
    return std::uint16_t((p[0] << 8) | p[1]);
}
inline std::uint32_t readBe32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}
inline std::uint64_t readBe64(const std::uint8_t* p)
{
    return (std::uint64_t(readBe32(p)) << 32) | readBe32(p + 4);
}

inline void writeBe16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = std::uint8_t(v >> 8);
    p[1] = std::uint8_t(v);
}
inline void writeBe32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v >> 24);
    p[1] = std::uint8_t(v >> 16);
    p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
}
inline void writeBe64(std::uint8_t* p, std::uint64_t v)
{
    writeBe32(p, std::uint32_t(v >> 32));
    writeBe32(p + 4, std::uint32_t(v));
}
inline void appendBe32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    std::uint8_t b[4];
    writeBe32(b, v);
    out.insert(out.end(), b, b + 4);
}
inline void appendBe64(std::vector<std::uint8_t>& out, std::uint64_t v)
{
    std::uint8_t b[8];
    writeBe64(b, v);
    out.insert(out.end(), b, b + 8);
}

// Reads fields one after another from a span. A read past the end gives 0 and sets failed(), so
// a walk over hostile bytes checks once at the end instead of before every field.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes)
        : m_bytes(bytes)
    {
    }

    std::uint8_t u8() { return take(1) ? m_bytes[m_pos - 1] : 0; }
    std::uint16_t u16() { return take(2) ? readBe16(m_bytes.data() + m_pos - 2) : 0; }
    std::uint32_t u32() { return take(4) ? readBe32(m_bytes.data() + m_pos - 4) : 0; }
    std::uint64_t u64() { return take(8) ? readBe64(m_bytes.data() + m_pos - 8) : 0; }
    void skip(std::size_t n) { take(n); }
    void seek(std::size_t pos)
    {
        if (pos > m_bytes.size())
            m_failed = true;
        else
            m_pos = pos;
    }

    std::size_t position() const { return m_pos; }
    std::size_t remaining() const { return m_bytes.size() - m_pos; }
    bool failed() const { return m_failed; }

private:
    bool take(std::size_t n)
    {
        if (m_failed || n > m_bytes.size() - m_pos) {
            m_failed = true;
            return false;
        }
        m_pos += n;
        return true;
    }

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
    bool m_failed = false;
};

} // namespace kivora::system
