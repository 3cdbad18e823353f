#include "kivora/export/EvidenceBundleFollow.h"
#include "kivora/export/Sha256.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

namespace kivora::exporting {
namespace {

namespace fs = std::filesystem;

std::string digestOf(const fs::path& path)
{
    std::string error;
    return Sha256OfFile(path, error).value_or(error);
}

// Files written the way the join writes them: under a hidden name, in pieces with pauses, closed,
// then renamed; one staged in a folder made for it and moved up; one discarded; one empty; one
// there before the follower began.
TEST(FolderFollowerTest, HashesFilesAsTheyAreWrittenAndKnowsThemByTheirLaterName)
{
    TempFolder folder;
    std::ofstream(folder / "before.MOV") << "written before";
    FolderFollower follower(folder.path());
    std::thread writer([&] {
        {
            std::ofstream out(folder / ".joined.MOV.part", std::ios::binary);
            std::vector<char> piece(700 * 1024);
            for (int i = 0; i < 6; ++i) {
                std::fill(piece.begin(), piece.end(), char('a' + i));
                out.write(piece.data(), std::streamsize(piece.size()));
                out.flush();
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        fs::rename(folder / ".joined.MOV.part", folder / "joined.MOV");
        fs::create_directory(folder / ".staging");
        {
            std::ofstream out(folder / ".staging" / "sub.MOV", std::ios::binary);
            for (int i = 0; i < 3; ++i) {
                out << std::string(100 * 1024, char('s' + i)) << std::flush;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        fs::rename(folder / ".staging" / "sub.MOV", folder / "sub.MOV");
        fs::remove(folder / ".staging");
        std::ofstream(folder / ".dropped.part") << "discarded";
        fs::remove(folder / ".dropped.part");
        std::ofstream(folder / "empty.ADA").close();
    });
    writer.join();
    follower.finish();

    EXPECT_EQ(follower.digestOf(folder / "joined.MOV"), digestOf(folder / "joined.MOV"));
    EXPECT_EQ(follower.digestOf(folder / "sub.MOV"), digestOf(folder / "sub.MOV"));
    EXPECT_EQ(follower.digestOf(folder / "empty.ADA"), digestOf(folder / "empty.ADA"));
    EXPECT_EQ(follower.digestOf(folder / "before.MOV"), std::nullopt) << "not followed: hashed afterwards";
    EXPECT_GE(follower.hashedBytes(), 6u * 700 * 1024 + 300 * 1024);
}

// A file changed after the follower read it to its end is not taken for what was hashed.
TEST(FolderFollowerTest, AFileThatGrewAfterItsCloseHasNoDigest)
{
    TempFolder folder;
    FolderFollower follower(folder.path());
    std::ofstream(folder / "a.MOV") << "first";
    follower.finish();
    std::ofstream(folder / "a.MOV", std::ios::app) << " and more";
    EXPECT_EQ(follower.digestOf(folder / "a.MOV"), std::nullopt);
}

} // namespace
} // namespace kivora::exporting
