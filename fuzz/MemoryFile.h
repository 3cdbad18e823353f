#pragma once

#include "kivora/system/UniqueFd.h"

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
        m_fd = system::UniqueFd(::memfd_create("kivora-fuzz", MFD_CLOEXEC));
        if (!m_fd)
            return;
        std::size_t written = 0;
        while (written < size) {
            const ssize_t n = ::write(m_fd.get(), data + written, size - written);
            if (n <= 0)
                return;
            written += static_cast<std::size_t>(n);
        }
        m_ok = true;
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    bool ok() const { return m_ok; }
    std::string path() const { return "/proc/self/fd/" + std::to_string(m_fd.get()); }

private:
    system::UniqueFd m_fd;
    bool m_ok = false;
};

} // namespace kivora::fuzzing
