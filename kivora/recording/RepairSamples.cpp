#include "kivora/recording/RepairSamples.h"

#include "kivora/system/FileOps.h"

#include <algorithm>

namespace kivora::recording::repair {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMinRead = 512;

bool isVcl(int type)
{
    return type == 1 || type == 5;
}

// A NAL unit never ends in a zero byte, and never holds 00 00 0x (x < 3). Where the zeros of a
// cluster that was allocated but never written begin inside a unit, its end shows it; only the
// end (tail, its last bytes) is read, so the walk touches little more than the units' headers.
constexpr std::size_t kTailBytes = 64;
bool nalEndValid(std::span<const std::uint8_t> tail)
{
    if (tail.empty() || tail.back() == 0)
        return false;
    for (std::size_t i = 0; i + 2 < tail.size(); ++i) {
        if (tail[i] == 0 && tail[i + 1] == 0 && tail[i + 2] <= 2)
            return false;
    }
    return true;
}

} // namespace

bool FileWindow::open(const fs::path& path)
{
    m_fd = system::openForReading(path);
    if (!m_fd) {
        m_error = system::systemError();
        return false;
    }
    const std::optional<std::uint64_t> size = system::regularFileSize(m_fd);
    if (!size) {
        m_error = "not a regular file";
        return false;
    }
    m_size = *size;
    return true;
}

std::span<const std::uint8_t> FileWindow::at(std::uint64_t offset, std::size_t length)
{
    length = std::size_t(std::min<std::uint64_t>(length, m_size - std::min(offset, m_size)));
    if (offset >= m_start && offset + length <= m_start + m_filled)
        return { m_buffer.data() + (offset - m_start), length };
    // A little more than asked: the end of one NAL unit and the head of the next come in one read.
    const std::size_t want
        = std::size_t(std::min<std::uint64_t>(std::max(length, kMinRead), m_size - std::min(offset, m_size)));
    if (m_buffer.size() < want)
        m_buffer.resize(want);
    m_start = offset;
    m_filled = system::readAt(m_fd, m_buffer.data(), want, offset);
    if (m_filled < length) {
        m_filled = 0;
        return {};
    }
    return { m_buffer.data(), length };
}

VideoSample videoSampleAt(FileWindow& file, std::uint64_t start, std::uint64_t end, int lengthSize)
{
    VideoSample s;
    std::uint64_t at = start;
    int vclType = 0, units = 0;
    const std::size_t prefix = std::size_t(lengthSize);
    while (end - at > prefix) {
        const auto head = file.at(at, prefix + 2);
        if (head.size() < prefix + 2)
            break;
        std::uint64_t length = 0;
        for (std::size_t i = 0; i < prefix; ++i)
            length = length << 8 | head[i];
        const std::uint64_t body = at + prefix;
        if (length < 2 || length > end - body)
            break;
        const std::uint8_t nal = head[prefix];
        const int type = nal & 0x1F, ref = (nal >> 5) & 3;
        const bool firstMb = head[prefix + 1] & 0x80; // ue(v) first_mb_in_slice == 0
        if (nal & 0x80)
            break;
        if (isVcl(type)) {
            if (type == 5 && ref == 0)
                break;
            if (vclType ? (type != vclType || firstMb) : !firstMb)
                break; // another picture, or a slice without its picture's first one
        } else {
            if (vclType)
                break; // headers of the next picture
            const bool refRequired = type == 7 || type == 8;
            const bool known
                = type == 6 || type == 7 || type == 8 || type == 9 || type == 10 || type == 11 || type == 12;
            if (!known || (refRequired ? ref == 0 : ref != 0) || ++units > 16)
                break;
        }
        const std::size_t tail = std::size_t(std::min<std::uint64_t>(length, kTailBytes));
        if (!nalEndValid(file.at(body + length - tail, tail)))
            break;
        at = body + length;
        if (isVcl(type)) {
            if (!vclType) {
                s.firstSlice = body;
                s.reference = ref != 0;
            }
            vclType = type;
            s.length = std::size_t(at - start);
            s.sync = type == 5;
        }
    }
    return s;
}

bool videoMayStartAt(std::span<const std::uint8_t> data, int lengthSize, std::uint64_t remaining)
{
    if (data.size() < std::size_t(lengthSize) + 2 || remaining < std::uint64_t(lengthSize))
        return false;
    std::uint64_t length = 0;
    for (int i = 0; i < lengthSize; ++i)
        length = length << 8 | data[std::size_t(i)];
    if (length < 2 || length > remaining - std::uint64_t(lengthSize))
        return false;
    const std::uint8_t head = data[std::size_t(lengthSize)];
    const int type = head & 0x1F, ref = (head >> 5) & 3;
    if (head & 0x80)
        return false;
    if (isVcl(type))
        return (type != 5 || ref != 0) && (data[std::size_t(lengthSize) + 1] & 0x80);
    if (type == 7 || type == 8)
        return ref != 0;
    return (type == 6 || (type >= 9 && type <= 12)) && ref == 0;
}

bool allZero(std::span<const std::uint8_t> data)
{
    return std::all_of(data.begin(), data.end(), [](std::uint8_t b) { return b == 0; });
}

} // namespace kivora::recording::repair
