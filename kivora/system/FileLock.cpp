#include "kivora/system/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

namespace kivora::system {

FolderLock::FolderLock(const std::filesystem::path& folder)
    : m_fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    if (!m_fd)
        return;
    int result = 0;
    while ((result = ::flock(m_fd.get(), LOCK_EX)) != 0 && errno == EINTR) { }
    m_locked = result == 0;
}

} // namespace kivora::system
