#include "kivora/recording/RepairFrameNumbers.h"

#include <vector>

namespace kivora::recording::repair {

namespace {

// Reads the bits of a NAL unit's payload with its emulation prevention bytes taken out. Reads past
// the end give zeros and mark the reader failed.
class Bits {
public:
    explicit Bits(std::span<const std::uint8_t> nal)
    {
        for (std::size_t i = 0; i < nal.size(); ++i) {
            if (i >= 2 && nal[i] == 3 && nal[i - 1] == 0 && nal[i - 2] == 0)
                continue;
            m_bytes.push_back(nal[i]);
        }
    }
    bool failed() const { return m_failed; }
    unsigned bit()
    {
        if (m_at >= m_bytes.size() * 8) {
            m_failed = true;
            return 0;
        }
        const unsigned b = (m_bytes[m_at / 8] >> (7 - m_at % 8)) & 1;
        ++m_at;
        return b;
    }
    unsigned bits(int n)
    {
        unsigned v = 0;
        while (n-- > 0)
            v = v << 1 | bit();
        return v;
    }
    // Exp-Golomb; no field read here comes near 32 bits.
    unsigned ue()
    {
        int zeros = 0;
        while (!bit() && !m_failed)
            if (++zeros > 31) {
                m_failed = true;
                return 0;
            }
        return (1u << zeros) - 1 + bits(zeros);
    }
    void se() { ue(); }

private:
    std::vector<std::uint8_t> m_bytes;
    std::size_t m_at = 0;
    bool m_failed = false;
};

void skipScalingList(Bits& b, int size)
{
    int last = 8, next = 8;
    for (int j = 0; j < size && !b.failed(); ++j) {
        if (next != 0) {
            const unsigned code = b.ue();
            const int delta = int((code + 1) / 2) * (code % 2 ? 1 : -1);
            next = (last + delta + 256) % 256;
        }
        last = next == 0 ? last : next;
    }
}

} // namespace

FrameNumbering ReadFrameNumbering(std::span<const std::uint8_t> avcC)
{
    if (avcC.size() < 8 || (avcC[5] & 0x1F) == 0)
        return {};
    const std::size_t length = std::size_t(avcC[6]) << 8 | avcC[7];
    if (length < 4 || avcC.size() < 8 + length)
        return {};
    Bits b(avcC.subspan(9, length - 1)); // after the NAL unit header
    FrameNumbering n;
    const unsigned profile = b.bits(8);
    b.bits(16); // constraint flags, level
    b.ue(); // seq_parameter_set_id
    if (profile == 100 || profile == 110 || profile == 122 || profile == 244 || profile == 44 || profile == 83
        || profile == 86 || profile == 118 || profile == 128 || profile == 138 || profile == 139
        || profile == 134 || profile == 135) {
        const unsigned chroma = b.ue();
        if (chroma == 3)
            n.separateColourPlanes = b.bit();
        b.ue(); // bit depths
        b.ue();
        b.bit(); // qpprime_y_zero_transform_bypass_flag
        if (b.bit()) {
            for (int i = 0; i < (chroma == 3 ? 12 : 8); ++i)
                if (b.bit())
                    skipScalingList(b, i < 6 ? 16 : 64);
        }
    }
    const int bits = int(b.ue()) + 4;
    const unsigned pocType = b.ue();
    if (pocType == 0) {
        b.ue();
    } else if (pocType == 1) {
        b.bit();
        b.se();
        b.se();
        const unsigned cycle = b.ue();
        for (unsigned i = 0; i < cycle && i < 256 && !b.failed(); ++i)
            b.se();
    }
    b.ue(); // max_num_ref_frames
    const bool gapsAllowed = b.bit();
    if (b.failed() || bits > 16 || gapsAllowed)
        return {};
    n.bits = bits;
    return n;
}

int FrameNumberAt(FileWindow& file, std::uint64_t offset, const FrameNumbering& numbering)
{
    if (!numbering.bits)
        return -1;
    // The header byte and enough of the slice header for frame_num, with room for a few
    // emulation prevention bytes.
    const auto head = file.at(offset, 16);
    if (head.size() < 16)
        return -1;
    Bits b(head.subspan(1));
    b.ue(); // first_mb_in_slice
    b.ue(); // slice_type
    b.ue(); // pic_parameter_set_id
    if (numbering.separateColourPlanes)
        b.bits(2);
    const unsigned frameNumber = b.bits(numbering.bits);
    return b.failed() ? -1 : int(frameNumber);
}

} // namespace kivora::recording::repair
