#pragma once

#include <unistd.h>

#include <utility>

namespace kivora::system {

// The one owner of a file descriptor in the program. Closes it when it goes out of scope; movable,
// not copyable. -1 means "none".
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd)
        : m_fd(fd)
    {
    }
    UniqueFd(UniqueFd&& other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    {
    }
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other) {
            close();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { close(); }

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    explicit operator bool() const { return valid(); }
    int release() { return std::exchange(m_fd, -1); }

    // False when close() reports an error: on network file systems that is where a lost write
    // shows, so writers check it. The descriptor is gone either way.
    bool close()
    {
        if (m_fd < 0)
            return true;
        const bool ok = ::close(m_fd) == 0;
        m_fd = -1;
        return ok;
    }

private:
    int m_fd = -1;
};

} // namespace kivora::system
