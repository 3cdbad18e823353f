#include "kivora/system/Drives.h"

#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>

#include <cctype>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <system_error>

namespace kivora::system {

namespace fs = std::filesystem;

namespace {

// The mount table escapes blanks and a few other characters as three octal digits.
std::string unescapeMountField(const std::string& field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && std::isdigit(static_cast<unsigned char>(field[i + 1]))
            && std::isdigit(static_cast<unsigned char>(field[i + 2]))
            && std::isdigit(static_cast<unsigned char>(field[i + 3]))) {
            out += static_cast<char>(
                (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

// The rule of the header for a device's folder below /sys/devices (a link into it is resolved).
bool isRemovableDeviceFolder(const fs::path& link)
{
    std::error_code ec;
    fs::path node = fs::canonical(link, ec);
    if (ec)
        return false; // no block device: a network, memory or virtual file system
    if (fs::exists(node / "partition", ec))
        node = node.parent_path(); // a partition's flag is its disk's
    std::ifstream flag(node / "removable");
    int removable = 0;
    if (flag >> removable && removable == 1)
        return true;
    // The folder names the device's whole path from the bus down
    // (".../devices/pci0000:00/.../usb2/2-1/.../block/sdb/sdb1").
    bool belowDevices = false;
    for (const fs::path& part : node) {
        const std::string name = part.string();
        if (belowDevices
            && (name.starts_with("usb") || name.starts_with("mmc") || name.starts_with("memstick")))
            return true;
        belowDevices = belowDevices || name == "devices";
    }
    return false;
}

} // namespace

std::vector<MountEntry> readMountTable(const fs::path& mountTable)
{
    std::vector<MountEntry> entries;
    std::ifstream table(mountTable);
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string device, root, type;
        if (!(fields >> device >> root))
            continue;
        fields >> type;
        entries.push_back({ unescapeMountField(device), unescapeMountField(root), unescapeMountField(type) });
    }
    return entries;
}

bool isRemovableDevice(const std::string& deviceNode, const fs::path& sysClassBlock)
{
    if (!deviceNode.starts_with("/dev/"))
        return false;
    std::error_code ec;
    const fs::path node = fs::canonical(deviceNode, ec); // "/dev/disk/by-label/CARD" -> "/dev/sdb1"
    const std::string name = (ec ? fs::path(deviceNode) : node).filename().string();
    if (name.empty())
        return false;
    return isRemovableDeviceFolder(sysClassBlock / name);
}

bool isOnRemovableDrive(const fs::path& path, const fs::path& sysDevBlock)
{
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0)
        return false;
    return isRemovableDeviceFolder(
        sysDevBlock / (std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev))));
}

std::vector<fs::path> removableDriveRoots(const fs::path& mountTable, const fs::path& sysClassBlock)
{
    std::vector<fs::path> roots;
    for (const MountEntry& entry : readMountTable(mountTable)) {
        if (!isRemovableDevice(entry.device, sysClassBlock))
            continue;
        bool known = false;
        for (const fs::path& root : roots)
            known = known || root == entry.root;
        if (!known)
            roots.push_back(entry.root);
    }
    return roots;
}

fs::path MountRoot(const fs::path& path)
{
    std::error_code error;
    fs::path current = fs::absolute(path, error).lexically_normal();
    if (error)
        return {};
    struct stat st { };
    while (::stat(current.c_str(), &st) != 0) {
        if (current == current.parent_path())
            return {};
        current = current.parent_path();
    }
    // Climb while the parent is on the same device; the last folder before the device changes
    // (or the file-system root) is the mount point.
    if (!S_ISDIR(st.st_mode))
        current = current.parent_path();
    while (current != current.parent_path()) {
        struct stat above { };
        const fs::path parent = current.parent_path();
        if (::stat(parent.c_str(), &above) != 0 || above.st_dev != st.st_dev)
            break;
        current = parent;
    }
    return current;
}

bool reportsErrorsLate(const fs::path& folder)
{
    struct statfs info { };
    if (::statfs(folder.c_str(), &info) != 0)
        return true;
    switch (std::uint32_t(info.f_type)) {
    case NFS_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case CIFS_SUPER_MAGIC:
    case SMB2_SUPER_MAGIC:
    case V9FS_MAGIC: // folders shared into a virtual machine
    case FUSE_SUPER_MAGIC: // sshfs, ntfs-3g and other user-space drivers
        return true;
    default:
        return false;
    }
}

} // namespace kivora::system
