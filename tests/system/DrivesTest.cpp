#include "kivora/system/Drives.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace fs = std::filesystem;
using namespace kivora::system;

namespace {

// A stand-in for the kernel's block device folders: devicePath below "devices", with the disk's
// removable flag (a partition's disk is its parent folder).
fs::path makeDevice(const fs::path& sys, const std::string& devicePath, const char* removable)
{
    const fs::path device = sys / "devices" / devicePath;
    fs::create_directories(device);
    const bool partition
        = device.parent_path().filename() != "block" && device.parent_path() != sys / "devices";
    if (partition) {
        writeText(device / "partition", "1\n");
        writeText(device.parent_path() / "removable", std::string(removable) + "\n");
    } else {
        writeText(device / "removable", std::string(removable) + "\n");
    }
    return device;
}

} // namespace

TEST(Drives, OneRemovableRuleForTheDriveListAndThePathProbe)
{
    TempFolder dir;
    const fs::path sys = dir / "sys";
    const struct {
        const char* name;
        const char* devicePath;
        const char* removable;
        bool expected;
    } cases[] = {
        { "vda", "pci0000:00/0000:00:02.0/virtio1/block/vda", "0", false },
        { "sda2", "pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda/sda2", "0", false },
        { "sdb1", "pci0000:00/0000:00:14.0/ata2/host1/target1:0:0/1:0:0:0/block/sdb/sdb1", "1", true },
        // A USB disk and a built-in card slot that do not call themselves removable.
        { "sdc1", "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host3/target3:0:0/3:0:0:0/block/sdc/sdc1", "0",
            true },
        { "mmcblk0p1", "platform/soc/fe340000.mmc/mmc_host/mmc0/mmc0:aaaa/block/mmcblk0/mmcblk0p1", "0",
            true },
    };
    fs::create_directories(sys / "class" / "block");
    std::string table = "/dev/vda / ext4 rw 0 0\nproc /proc proc rw 0 0\n";
    for (const auto& c : cases) {
        const fs::path device = makeDevice(sys, c.devicePath, c.removable);
        fs::create_symlink(fs::relative(device, sys / "class" / "block"), sys / "class" / "block" / c.name);
        SCOPED_TRACE(c.name);
        EXPECT_EQ(isRemovableDevice(std::string("/dev/") + c.name, sys / "class" / "block"), c.expected);
        table += std::string("/dev/") + c.name + " /media/u/" + c.name + "\\040card vfat rw 0 0\n";
    }
    EXPECT_FALSE(isRemovableDevice("proc", sys / "class" / "block"));
    EXPECT_FALSE(isRemovableDevice("/dev/absent", sys / "class" / "block"));

    // The same rule through the mount table, each root once and with its blanks restored.
    table += "/dev/sdb1 /media/u/sdb1\\040card vfat rw 0 0\n";
    writeText(dir / "mounts", table);
    EXPECT_EQ(removableDriveRoots(dir / "mounts", sys / "class" / "block"),
        (std::vector<fs::path> { "/media/u/sdb1 card", "/media/u/sdc1 card", "/media/u/mmcblk0p1 card" }));
    EXPECT_TRUE(removableDriveRoots(dir / "absent", sys / "class" / "block").empty());

    // And through a path's device number: the folder of this test lies on the device the
    // stand-in links to.
    struct stat st { };
    ASSERT_EQ(::stat(dir.path().c_str(), &st), 0);
    const fs::path byNumber
        = sys / "dev" / "block" / (std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev)));
    fs::create_directories(byNumber.parent_path());
    fs::create_symlink(fs::relative(sys / "devices" / cases[3].devicePath, byNumber.parent_path()), byNumber);
    EXPECT_TRUE(isOnRemovableDrive(dir.path(), sys / "dev" / "block"));
    fs::remove(byNumber);
    fs::create_symlink(fs::relative(sys / "devices" / cases[1].devicePath, byNumber.parent_path()), byNumber);
    EXPECT_FALSE(isOnRemovableDrive(dir.path(), sys / "dev" / "block"));
    EXPECT_FALSE(isOnRemovableDrive(dir / "absent", sys / "dev" / "block"));
}

TEST(Drives, MountRootClimbsToTheVolumeOfTheNearestExistingFolder)
{
    TempFolder dir;
    fs::create_directories(dir / "a" / "b");
    writeText(dir / "a" / "b" / "movie.MP4", "x");
    const fs::path root = MountRoot(dir.path());
    ASSERT_FALSE(root.empty());
    EXPECT_EQ(MountRoot(dir / "a" / "b" / "movie.MP4"), root);
    EXPECT_EQ(MountRoot(dir / "a" / "missing" / "deeper"), root);
    EXPECT_EQ(MountRoot("/proc/self"), fs::path("/proc"));
    EXPECT_EQ(MountRoot("/"), fs::path("/"));
}
