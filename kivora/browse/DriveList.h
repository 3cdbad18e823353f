#pragma once

#include <filesystem>
#include <vector>

namespace kivora::browse {

// The removable drives the source dialog and the start-up offer, as mount points in the
// platform's order. A seam, so that tests can present a folder as a removable drive.
class IDriveList {
public:
    virtual ~IDriveList() = default;
    virtual std::vector<std::filesystem::path> removableDrives() const = 0;
};

// The product's drives: the kernel's mount table and the block devices' removable flags (read by
// the scan's ListRemovableDrives, the one place that knows those files). Tests point the two
// locations at tables of their own.
class MountTableDrives final : public IDriveList {
public:
    explicit MountTableDrives(std::filesystem::path mountTable = "/proc/mounts",
        std::filesystem::path sysClassBlock = "/sys/class/block")
        : m_mountTable(std::move(mountTable))
        , m_sysClassBlock(std::move(sysClassBlock))
    {
    }
    std::vector<std::filesystem::path> removableDrives() const override;

private:
    std::filesystem::path m_mountTable;
    std::filesystem::path m_sysClassBlock;
};

} // namespace kivora::browse
