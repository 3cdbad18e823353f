#include "kivora/browse/FileSelection.h"

#include <gtest/gtest.h>

namespace kivora::browse {
namespace {

constexpr std::uint64_t kMiB = 1048576;

std::vector<recording::RecordingEntry> rows(int n, std::uint64_t mainSize = kMiB, const char* ext = ".MOV")
{
    std::vector<recording::RecordingEntry> out;
    for (int i = 0; i < n; ++i) {
        recording::RecordingEntry e;
        e.path = "/card/Normal/A___-230115-083000-" + std::to_string(100000 + i) + "M" + ext;
        e.mainSize = mainSize;
        out.push_back(e);
    }
    return out;
}

std::string ticks(const FileSelection& s)
{
    std::string out;
    for (int i = 0; i < s.rowCount(); ++i)
        out += s.ticked(i) ? 'x' : '.';
    return out;
}

TEST(FileSelection, ConcatenationKeepsTheTicksOneRun)
{
    FileSelection s(FileSelection::Concatenate);
    s.setGivenEntries(rows(10));
    s.fillRows();
    s.setTicked(2, true);
    EXPECT_EQ(ticks(s), "..x.......");
    EXPECT_EQ(s.setTicked(6, true), (std::vector<int> { 2 + 1, 4, 5 }));
    EXPECT_EQ(ticks(s), "..xxxxx...");
    s.setTicked(4, false);
    EXPECT_EQ(ticks(s), "..xx......");
    s.setTicked(2, false);
    EXPECT_EQ(ticks(s), "...x......");
    s.setTicked(0, true); // before the run
    EXPECT_EQ(ticks(s), "xxxx......");
    EXPECT_EQ(s.blockStart(), 0);
    EXPECT_EQ(s.blockEnd(), 4);
}

TEST(FileSelection, DeleteModeTicksRowsFreely)
{
    FileSelection s(FileSelection::Delete);
    s.setGivenEntries(rows(10));
    s.fillRows();
    EXPECT_FALSE(s.totals().okEnabled);
    s.setTicked(2, true);
    s.setTicked(6, true);
    EXPECT_EQ(ticks(s), "..x...x...");
    EXPECT_TRUE(s.totals().okEnabled);
    EXPECT_EQ(s.okRefusal(), 0);
    EXPECT_EQ(s.tickedEntries().size(), 2u);
}

TEST(FileSelection, ConcatenationLimits)
{
    {
        FileSelection s(FileSelection::Concatenate);
        s.setGivenEntries(rows(100));
        s.setTickAll(true);
        s.fillRows();
        EXPECT_TRUE(s.totals().tooMany);
        EXPECT_EQ(s.okRefusal(), FileSelection::kSlotTooMany);
        s.setTicked(99, false);
        EXPECT_EQ(s.okRefusal(), 0);
    }
    {
        FileSelection s(FileSelection::Concatenate);
        auto list = rows(2, 512 * kMiB);
        list[1].subSize = kMiB;
        s.setGivenEntries(list);
        s.setTickAll(true);
        s.fillRows();
        EXPECT_EQ(s.totals().megabytes, 1025u);
        EXPECT_TRUE(s.totals().tooBig);
        EXPECT_EQ(s.okRefusal(), FileSelection::kSlotTooBig);
    }
    {
        // Each kind is truncated on its own for the limit; the total text rounds the sum.
        FileSelection s(FileSelection::Concatenate);
        auto list = rows(1, kMiB - 1);
        list[0].subSize = kMiB - 1;
        list[0].dataSize = kMiB - 1;
        s.setGivenEntries(list);
        s.fillRows();
        s.setTicked(0, true);
        EXPECT_EQ(s.totals().megabytes, 2u);
        EXPECT_FALSE(s.totals().tooBig);
    }
    {
        // Delete mode has no limit.
        FileSelection s(FileSelection::Delete);
        s.setGivenEntries(rows(120, 100 * kMiB));
        s.setTickAll(true);
        s.fillRows();
        EXPECT_EQ(s.okRefusal(), 0);
    }
}

// The limits belong to the save's joined movie: a bundle or a track export of realistic
// recordings (over 1 GiB, over 99 files) is taken, with the same run of ticks and .MOV rows.
TEST(FileSelection, LimitsByUse)
{
    using Use = FileSelection::Use;
    struct Case {
        const char* what;
        int count;
        std::uint64_t size;
    };
    const Case cases[] = { { "100 files", 101, kMiB }, { "3 GiB", 12, 256 * kMiB } };
    const std::pair<Use, bool> uses[]
        = { { Use::Save, true }, { Use::Bundle, false }, { Use::Tracks, false } };
    for (const auto& [use, limited] : uses) {
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << c.what << ", use " << int(use));
            FileSelection s(FileSelection::Concatenate, use);
            EXPECT_EQ(s.limited(), limited);
            auto list = rows(c.count, c.size);
            list[0].path.replace_extension(".TXT");
            s.setGivenEntries(list);
            s.fillRows();
            ASSERT_EQ(s.rowCount(), c.count - 1);
            s.setTicked(0, true);
            s.setTicked(c.count - 2, true);
            EXPECT_EQ(ticks(s), std::string(std::size_t(c.count - 1), 'x'));
            const auto t = s.totals();
            EXPECT_EQ(t.tooBig || t.tooMany, limited);
            EXPECT_EQ(s.okRefusal() != 0, limited);
            EXPECT_TRUE(t.okEnabled);
        }
    }
}

TEST(FileSelection, ListsAreCutAt1500AndConcatenationShowsOnlyMovies)
{
    FileSelection s(FileSelection::Delete);
    EXPECT_FALSE(s.setGivenEntries(rows(1501)));
    EXPECT_TRUE(s.setSourceEntries(rows(1500)));
    EXPECT_FALSE(s.setSourceEntries(rows(1501)));
    s.fillRows();
    EXPECT_EQ(s.rowCount(), 1500);

    auto mixed = rows(3);
    mixed[1].path.replace_extension(".mov");
    mixed[2].path.replace_extension(".TXT");
    FileSelection c(FileSelection::Concatenate);
    c.setGivenEntries(mixed);
    c.fillRows();
    EXPECT_EQ(c.rowCount(), 2);
}

TEST(FileSelection, ShowAllSwitchesRowsAndDropsTicksUnlessTickAll)
{
    FileSelection s(FileSelection::Delete);
    s.setGivenEntries(rows(3));
    s.setSourceEntries(rows(8));
    s.fillRows();
    s.setTicked(1, true);
    s.setShowAll(true);
    s.fillRows();
    EXPECT_EQ(ticks(s), "........");
    s.setTickAll(true);
    s.fillRows();
    EXPECT_EQ(ticks(s), "xxxxxxxx");
    s.setShowAll(false);
    s.fillRows();
    EXPECT_EQ(ticks(s), "xxx");
    // Concatenation has no show-all.
    FileSelection c(FileSelection::Concatenate);
    c.setShowAll(true);
    EXPECT_FALSE(c.showAll());
}

} // namespace
} // namespace kivora::browse
