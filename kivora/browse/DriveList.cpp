#include "kivora/browse/DriveList.h"

#include "kivora/recording/RecordingScan.h"

namespace kivora::browse {

std::vector<std::filesystem::path> MountTableDrives::removableDrives() const
{
    std::vector<std::filesystem::path> roots;
    recording::ListRemovableDrives(roots, m_mountTable, m_sysClassBlock);
    return roots;
}

} // namespace kivora::browse
