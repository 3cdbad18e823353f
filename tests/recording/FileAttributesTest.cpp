#include "kivora/recording/FileAttributes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <linux/magic.h>
#include <string>
#include <sys/vfs.h>
#include <unistd.h>

using namespace kivora::recording;
namespace fs = std::filesystem;

// On a file system without the attribute, a leading dot hides and setting changes nothing.
TEST(FileAttributes, DotNamesAreHiddenAndSettingIsANoOpOffFat)
{
    const fs::path folder = fs::temp_directory_path() / ("kivora-attrs-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    struct statfs fsInfo { };
    ASSERT_EQ(::statfs(folder.c_str(), &fsInfo), 0);
    if (fsInfo.f_type == MSDOS_SUPER_MAGIC)
        GTEST_SKIP() << "temporary folder is on FAT";

    std::ofstream(folder / "visible.MOV") << "x";
    std::ofstream(folder / ".hidden") << "x";
    fs::create_directory(folder / ".dir");

    EXPECT_FALSE(isHidden(folder / "visible.MOV"));
    EXPECT_TRUE(isHidden(folder / ".hidden"));
    EXPECT_TRUE(isHidden(folder / ".dir"));
    EXPECT_FALSE(isHidden(folder / "missing"));
    EXPECT_FALSE(isHidden(folder / "."));
    EXPECT_FALSE(isHidden(folder / ".."));

    EXPECT_TRUE(setHidden(folder / "visible.MOV", true));
    EXPECT_FALSE(isHidden(folder / "visible.MOV"));
    EXPECT_TRUE(setHidden(folder / ".hidden", false));
    EXPECT_TRUE(isHidden(folder / ".hidden"));
    EXPECT_FALSE(setHidden(folder / "missing", true));

    fs::remove_all(folder);
}
