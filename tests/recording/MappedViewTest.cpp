#include "kivora/recording/MappedView.h"

#include <gtest/gtest.h>

#include <fstream>
#include <numeric>
#include <vector>

using namespace kivora::recording;

namespace {
std::filesystem::path writeTempFile(const std::vector<std::uint8_t>& bytes)
{
    const auto path = std::filesystem::temp_directory_path()
                      / ("kivora-mapped-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-"
                         + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
}
} // namespace

TEST(MappedView, ViewsAreClippedToTheFileAndStartAtUnalignedOffsets)
{
    std::vector<std::uint8_t> bytes(10000);
    std::iota(bytes.begin(), bytes.end(), 0);
    const auto path = writeTempFile(bytes);

    MappedFile file;
    ASSERT_TRUE(file.open(path));
    EXPECT_EQ(file.size(), 10000u);

    const struct { std::uint64_t offset; std::size_t length; std::size_t expected; } cases[] = {
        {0, 16, 16}, {4097, 100, 100}, {9990, 100, 10}, {10000, 5, 0}, {20000, 5, 0}, {5, 0, 0},
    };
    for (const auto& c : cases) {
        const MappedView view = file.map(c.offset, c.length);
        ASSERT_EQ(view.size(), c.expected) << c.offset;
        for (std::size_t i = 0; i < view.size(); ++i)
            ASSERT_EQ(view.data()[i], bytes[c.offset + i]);
    }
    std::filesystem::remove(path);
}

TEST(MappedView, MissingFileAndFolderFailWithAReason)
{
    MappedFile file;
    EXPECT_FALSE(file.open("/nonexistent/kivora/file"));
    EXPECT_FALSE(file.error().empty());
    EXPECT_FALSE(file.open(std::filesystem::temp_directory_path()));
    EXPECT_EQ(file.map(0, 10).size(), 0u);
}
