#pragma once

// The mount and drive probe: which volumes are mounted, which of them lie on a drive that can be
// unplugged, and which volume holds a path. One rule for "removable" serves the scan's drive list,
// the writer's flush policy and the source dialog.
//
// A block device is removable when its disk's "removable" flag is 1 or when it hangs off a USB,
// SD/MMC or memory-stick bus: built-in card slots and USB disks often do not call themselves
// removable, yet they are pulled like cards.
//
// The kernel tables are parameters so that tests can stand in for them. Safe from any thread.

#include <filesystem>
#include <string>
#include <vector>

namespace kivora::system {

inline const std::filesystem::path kMountTable = "/proc/mounts";
inline const std::filesystem::path kSysClassBlock = "/sys/class/block"; // block devices by name
inline const std::filesystem::path kSysDevBlock = "/sys/dev/block"; // block devices by "major:minor"

struct MountEntry {
    std::string device; // "/dev/sdb1", or a pseudo name such as "proc"
    std::filesystem::path root; // the mount point
    std::string type; // "vfat", "ext4" ...
};

// Entries of the mount table in its order, with its octal escapes ("\040") undone. Empty when the
// table cannot be read.
std::vector<MountEntry> readMountTable(const std::filesystem::path& mountTable = kMountTable);

// Whether a device node (such as /dev/sdb1) is a removable block device by the rule above.
bool isRemovableDevice(
    const std::string& deviceNode, const std::filesystem::path& sysClassBlock = kSysClassBlock);

// Whether the volume that holds path (an existing file or folder) lies on a removable block device.
// False for network, memory and virtual file systems and when the path does not exist.
bool isOnRemovableDrive(
    const std::filesystem::path& path, const std::filesystem::path& sysDevBlock = kSysDevBlock);

// Mount points of mounted volumes on removable block devices, in mount-table order, each once.
std::vector<std::filesystem::path> removableDriveRoots(const std::filesystem::path& mountTable = kMountTable,
    const std::filesystem::path& sysClassBlock = kSysClassBlock);

// The root of the mounted volume that holds path (path itself when it is a mount point); the
// nearest existing ancestor is used for paths that do not exist. Empty when nothing exists.
// Use it wherever a "drive part" of a path is meant: never strip or compare path prefixes.
std::filesystem::path MountRoot(const std::filesystem::path& path);

// File systems that may report a failed write only when the file is flushed or closed, because
// write() returns while the data is still on its way to a server or to a user-space driver
// (NFS, SMB/CIFS, 9p, FUSE). True when the folder cannot be examined.
bool reportsErrorsLate(const std::filesystem::path& folder);

} // namespace kivora::system
