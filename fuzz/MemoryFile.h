#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace kivora::fuzzing {

// An anonymous in-memory file with the input, named through /proc so that the mapping path runs.
class MemoryFile {
public:
    MemoryFile(const std::uint8_t* data, std::size_t size)
    {
        m_fd = ::memfd_create("kivora-fuzz", MFD_CLOEXEC);
        if (m_fd < 0)
            return;
        std::size_t written = 0;
        while (written < size) {
            const ssize_t n = ::write(m_fd, data + written, size - written);
            if (n <= 0)
                return;
            written += static_cast<std::size_t>(n);
        }
        m_ok = true;
    }
    ~MemoryFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    bool ok() const { return m_ok; }
    std::string path() const { return "/proc/self/fd/" + std::to_string(m_fd); }

private:
    int m_fd = -1;
    bool m_ok = false;
};

} // namespace kivora::fuzzing
