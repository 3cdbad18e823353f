#include "kivora/system/StagedFile.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fs = std::filesystem;
using kivora::system::StagedFile;
using kivora::system::writeFileAtomically;

TEST(StagedFile, TheTargetChangesOnlyAtCommitAndAnAbandonedFileLeavesNoTrace)
{
    TempFolder dir;
    writeText(dir / "out.bin", "old");
    std::string error;
    {
        StagedFile file;
        ASSERT_TRUE(file.create(dir / "out.bin", false, error)) << error;
        ASSERT_TRUE(file.write("new bytes", error));
        EXPECT_EQ(readText(dir / "out.bin"), "old");
        EXPECT_EQ(file.tempPath().filename().string()[0], '.'); // out of folder listings meanwhile
        // Abandoned without commit.
    }
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string> { "out.bin" });
    EXPECT_EQ(readText(dir / "out.bin"), "old");

    StagedFile file;
    std::uint64_t observed = 0;
    file.onWritten([&](std::uint64_t n) { observed += n; });
    writeText(dir / "source", "0123456789");
    ASSERT_TRUE(file.create(dir / "out.bin", true, error));
    ASSERT_TRUE(file.write("ab", error));
    ASSERT_TRUE(file.copyFrom(dir / "source", 3, 4, "data", error)) << error;
    EXPECT_FALSE(file.copyFrom(dir / "source", 8, 5, "data", error));
    EXPECT_NE(error.find("ended before its data"), std::string::npos) << error;
    EXPECT_FALSE(file.stopped()) << "a short source is a fault, not a stop";
    ASSERT_TRUE(file.finish(error) && file.commit(error)) << error;
    EXPECT_EQ(readText(dir / "out.bin").substr(0, 6), "ab3456");
    EXPECT_GE(observed, 6u);
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string> { "out.bin", "source" }));
}

// A writer that learns a header's size only at the end cuts what it copied too far and fills the
// header in place; it may not write past what the file holds.
TEST(StagedFile, CutsAndPatchesWhatItWrote)
{
    TempFolder dir;
    std::string error;
    StagedFile file;
    ASSERT_TRUE(file.create(dir / "out.bin", false, error));
    ASSERT_TRUE(file.write("..0123456789", error));
    ASSERT_TRUE(file.truncate(6, error)) << error;
    ASSERT_TRUE(file.write("xy", error));
    ASSERT_TRUE(file.writeAt(0, "AB", 2, error)) << error;
    EXPECT_FALSE(file.writeAt(7, "CD", 2, error)) << "past the end of what is written";
    ASSERT_TRUE(file.finish(error) && file.commit(error)) << error;
    EXPECT_EQ(readText(dir / "out.bin"), "AB0123xy");
}

TEST(StagedFile, AtomicWriteKeepsModeFollowsLinksAndReportsAFolderItCannotWrite)
{
    TempFolder dir;
    writeText(dir / "settings.ini", "a=1");
    ::chmod((dir / "settings.ini").c_str(), 0600);
    fs::create_symlink("settings.ini", dir / "link.ini");
    std::string error;
    ASSERT_TRUE(writeFileAtomically(dir / "link.ini", "a=2", &error)) << error;
    EXPECT_TRUE(fs::is_symlink(dir / "link.ini"));
    EXPECT_EQ(readText(dir / "settings.ini"), "a=2");
    EXPECT_EQ(fs::status(dir / "settings.ini").permissions() & fs::perms::all,
        fs::perms::owner_read | fs::perms::owner_write);

    EXPECT_FALSE(writeFileAtomically(dir / "absent" / "x.ini", "a=3", &error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(dir / "absent"));
}

TEST(StagedFile, AStopEndsALongCopyBetweenChunksAndTellsItselfFromAFault)
{
    TempFolder dir;
    writeText(dir / "source", std::string(12u << 20, 'x'));
    std::string error;
    StagedFile file;
    std::uint64_t written = 0;
    file.onWritten([&](std::uint64_t n) { written += n; });
    file.stopWhen([&] { return written > 0; });
    ASSERT_TRUE(file.create(dir / "out.bin", false, error)) << error;
    EXPECT_FALSE(file.copyFrom(dir / "source", 0, 12u << 20, "data", error));
    EXPECT_TRUE(file.stopped());
    EXPECT_NE(error.find("stopped"), std::string::npos) << error;
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, 12u << 20) << "stopped before the end";
    EXPECT_FALSE(file.write("more", error)) << "stays stopped";
    file.discard();
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string> { "source" });
}
