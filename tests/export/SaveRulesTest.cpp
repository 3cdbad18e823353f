#include "kivora/export/SaveRules.h"
#include "kivora/recording/RecordingName.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kivora::exporting;
using kivora::recording::RecordingEntry;
namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t MiB = 1u << 20;

std::vector<RecordingEntry> recordings(int n, std::uint64_t main, std::uint64_t sub, std::uint64_t data)
{
    std::vector<RecordingEntry> list;
    list.resize(std::size_t(n));
    for (int i = 0; i < n; ++i) {
        list[std::size_t(i)].path = "/card/Normal/AG__-230115-0830" + std::to_string(10 + i) + "-0001"
            + std::to_string(10 + i) + "M.MOV";
        list[std::size_t(i)].mainSize = main;
        list[std::size_t(i)].subSize = sub;
        list[std::size_t(i)].dataSize = data;
    }
    return list;
}

} // namespace

TEST(SaveRules, SelectionLimits)
{
    EXPECT_EQ(JoinRefusal(recordings(4, 280 * MiB, 15 * MiB, 5 * MiB)), 138) << "1 200 MiB";
    EXPECT_EQ(JoinRefusal(recordings(3, 280 * MiB, 15 * MiB, 5 * MiB)), 0) << "900 MiB";
    EXPECT_EQ(JoinRefusal(recordings(1, 1024 * MiB, 0, 0)), 0) << "exactly 1 024 MiB";
    EXPECT_EQ(JoinRefusal(recordings(1, 1024 * MiB + 1, 0, 0)), 138);
    EXPECT_EQ(JoinRefusal(recordings(99, MiB, 0, 0)), 0);
    EXPECT_EQ(JoinRefusal(recordings(100, MiB, 0, 0)), 140);
    EXPECT_EQ(NeededBytes(recordings(3, 280 * MiB, 15 * MiB, 5 * MiB)), 900 * MiB);
}

TEST(SaveRules, RoomMustExceedWhatIsNeeded)
{
    EXPECT_FALSE(HasRoom(1000, 1000)) << "exactly the needed bytes free";
    EXPECT_TRUE(HasRoom(1000, 1001));
    EXPECT_FALSE(HasRoom(1, std::nullopt)) << "free space unknown";
    // Taken of the folder's own file system, not of a prefix of its path.
    // Others may write to the same file system meanwhile: the figure lies between two readings.
    TempFolder folder;
    const auto before = fs::space(folder.path()).available;
    const auto space = FreeSpace(folder.path());
    const auto after = fs::space(folder.path()).available;
    ASSERT_TRUE(space);
    EXPECT_GE(*space, std::min(before, after));
    EXPECT_LE(*space, std::max(before, after));
    EXPECT_FALSE(FreeSpace(folder / "missing"));
}

TEST(SaveRules, PlanNamesBothOutputsAfterTheFirstRecording)
{
    TempFolder card;
    auto list = recordings(2, 10, 5, 1);
    for (auto& e : list) {
        e.path = card.path() / e.path.filename();
        writeText(e.path, "m");
        writeText(kivora::recording::PairPath(e.path), "s");
    }
    SavePlan plan = MakeSavePlan(list, "/out");
    EXPECT_EQ(plan.output, fs::path("/out") / list[0].path.filename());
    EXPECT_EQ(plan.subOutput, fs::path("/out/AG__-230115-083010-000110S.MOV"));
    ASSERT_EQ(plan.subs.size(), 2u);
    EXPECT_EQ(plan.subs[1], kivora::recording::PairPath(list[1].path));
    EXPECT_EQ(plan.bytes, 32u);
    EXPECT_EQ(plan.mainBytes, 22u);

    // One part without its sub movie leaves the sub output out, and says why.
    fs::remove(kivora::recording::PairPath(list[1].path));
    plan = MakeSavePlan(list, "/out");
    EXPECT_TRUE(plan.subs.empty());
    EXPECT_TRUE(plan.subOutput.empty());
    EXPECT_NE(plan.subNote.find(list[1].path.filename().string()), std::string::npos);

    // Recordings without any sub camera: nothing to say.
    for (auto& e : list)
        e.subSize = 0;
    plan = MakeSavePlan(list, "/out");
    EXPECT_TRUE(plan.subs.empty());
    EXPECT_EQ(plan.subNote, "");
}
