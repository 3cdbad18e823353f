#pragma once

#include "kivora/system/UniqueFd.h"

#include <filesystem>

namespace kivora::system {

// Holds an exclusive advisory lock (flock) on a folder for its lifetime, between processes.
// A folder that cannot be opened or locked gives no lock: the caller goes on without it.
class FolderLock {
public:
    explicit FolderLock(const std::filesystem::path& folder);
    bool locked() const { return m_locked; }

private:
    UniqueFd m_fd; // closing it releases the lock
    bool m_locked = false;
};

} // namespace kivora::system
