// The copy that hashes on a helper thread and reads itself back: sizes around its windows, the
// order of the blocks the sink sees, and stops that leave nothing behind.
#include "kivora/export/FileBlocks.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <random>
#include <string>

namespace kivora::exporting {
namespace {

namespace fs = std::filesystem;

std::string randomBytes(std::size_t size)
{
    std::mt19937 random { std::uint32_t(size) };
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = char(random());
    return bytes;
}

TEST(FileBlocksTest, CopiesEveryByteOnceInOrderWithTheSourceTime)
{
    constexpr std::size_t kMiB = std::size_t(1) << 20;
    // Kept across the files, as a bundle keeps them: a window must hold nothing of the file before.
    CopyBuffers shared;
    struct Mode {
        const char* name;
        bool durable;
        SinkOn sinkOn;
    };
    const Mode modes[] = { { "copy", false, SinkOn::Helper }, { "durable", true, SinkOn::Helper },
        { "caller", false, SinkOn::Caller } };
    for (const std::size_t size : { std::size_t(0), std::size_t(1), 8 * kMiB, 8 * kMiB + 1, 19 * kMiB + 7 }) {
        SCOPED_TRACE(size);
        TempFolder folder;
        const std::string bytes = randomBytes(size);
        writeText(folder / "source", bytes);
        const struct timespec old[2] = { { 1000, 0 }, { 1600000000, 123456789 } };
        ASSERT_EQ(::utimensat(AT_FDCWD, (folder / "source").c_str(), old, 0), 0);
        std::string seen, error;
        std::uint64_t last = 0;
        for (const Mode& mode : modes) {
            SCOPED_TRACE(mode.name);
            const fs::path target = folder / mode.name;
            seen.clear();
            last = 0;
            ASSERT_TRUE(CopyFileBlocks(
                folder / "source", target, mode.durable,
                [&](std::span<const std::byte> block) {
                    seen.append(reinterpret_cast<const char*>(block.data()), block.size());
                    return true;
                },
                error,
                [&](std::uint64_t done) {
                    EXPECT_GT(done, last);
                    last = done;
                    return true;
                },
                &shared, mode.sinkOn))
                << error;
            EXPECT_TRUE(seen == bytes);
            EXPECT_EQ(last, size);
            EXPECT_TRUE(readText(target) == bytes);
            struct stat st { };
            ASSERT_EQ(::stat(target.c_str(), &st), 0);
            EXPECT_EQ(st.st_mtim.tv_sec, 1600000000);
            EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);
        }
    }
}

TEST(FileBlocksTest, AStopOrAnExistingTargetLeavesNoCopy)
{
    TempFolder folder;
    writeText(folder / "source", randomBytes(20 << 20));
    std::string error;
    const auto keep = [](std::span<const std::byte>) { return true; };
    const auto stop = [](std::span<const std::byte>) { return false; };
    EXPECT_FALSE(CopyFileBlocks(folder / "source", folder / "a", false, stop, error));
    EXPECT_NE(error.find("stopped"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(folder / "a"));
    EXPECT_FALSE(CopyFileBlocks(folder / "source", folder / "b", false, keep, error,
        [](std::uint64_t done) { return done < (10u << 20); }));
    EXPECT_FALSE(fs::exists(folder / "b"));
    writeText(folder / "c", "mine");
    EXPECT_FALSE(CopyFileBlocks(folder / "source", folder / "c", false, keep, error));
    EXPECT_EQ(readText(folder / "c"), "mine");
    EXPECT_FALSE(CopyFileBlocks(folder / "missing", folder / "d", false, keep, error));
    EXPECT_FALSE(fs::exists(folder / "d"));
}

} // namespace
} // namespace kivora::exporting
