#include "kivora/export/SaveWorker.h"
#include "kivora/export/SaveRules.h"
#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/RecordingName.h"
#include "tests/export/ExportFakes.h"
#include "tests/export/ExportTestCard.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempFolder.h"
#include "tools/democard/FrameCode.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <fstream>

using namespace kivora::exporting;
using namespace kivora::exporting::test;
using kivora::testing::runProgram;
using kivora::testing::Stderr;
namespace rec = kivora::recording;

namespace {

// The frame codes of every picture of a movie, decoded by ffmpeg.
std::vector<int> frameCodes(const fs::path& movie, int width, int height)
{
    const auto r = runProgram(
        { "ffmpeg", "-v", "error", "-i", movie.string(), "-f", "rawvideo", "-pix_fmt", "gray", "-" });
    std::vector<int> codes;
    const std::size_t frame = std::size_t(width) * std::size_t(height);
    for (std::size_t at = 0; at + frame <= r.out.size(); at += frame)
        codes.push_back(kivora::democard::readFrameCodeGray(
            reinterpret_cast<const std::uint8_t*>(r.out.data() + at), width, height, width));
    return codes;
}

std::size_t openDescriptors()
{
    std::error_code ec;
    return std::size_t(std::distance(fs::directory_iterator("/proc/self/fd", ec), fs::directory_iterator()));
}

// ffmpeg's own judgement: status 0 and not a word on stderr.
std::string ffmpegComplaints(const fs::path& movie)
{
    const auto r
        = runProgram({ "ffmpeg", "-v", "error", "-i", movie.string(), "-f", "null", "-" }, Stderr::Merge);
    return r.status == 0 ? r.out : "exit " + std::to_string(r.status) + ": " + r.out;
}

class SaveWorkerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rec::setCurrentLayout(0);
        entries = writeCard(card.path());
        ASSERT_EQ(entries.size(), 2u);
        fs::create_directories(out);
    }

    TempFolder card;
    TempFolder outRoot;
    fs::path out = outRoot / "saved";
    std::vector<rec::RecordingEntry> entries;
};

} // namespace

TEST_F(SaveWorkerTest, JoinsBothCamerasAndLeavesTheSourcesAlone)
{
    const auto before = snapshotTree(card.path());
    const SavePlan plan = MakeSavePlan(entries, out);
    ASSERT_EQ(plan.subs.size(), 2u);
    FakeWorker worker;
    const SaveOutcome outcome = RunSave(plan, worker);
    ASSERT_EQ(outcome.status, SaveOutcome::Status::Saved) << outcome.error;
    EXPECT_TRUE(outcome.subSaved) << outcome.subNote;

    EXPECT_EQ(ffmpegComplaints(plan.output), "");
    EXPECT_EQ(ffmpegComplaints(plan.subOutput), "");
    for (const auto& [movie, width, height] :
        { std::tuple { plan.output, 640, 360 }, std::tuple { plan.subOutput, 320, 180 } }) {
        std::vector<int> expected;
        for (const auto& e : entries) {
            const fs::path part = movie == plan.output ? e.path : rec::PairPath(e.path);
            const auto codes = frameCodes(part, width, height);
            expected.insert(expected.end(), codes.begin(), codes.end());
        }
        EXPECT_EQ(expected.size(), 60u);
        EXPECT_EQ(frameCodes(movie, width, height), expected) << movie;
    }
    EXPECT_TRUE(fs::exists(rec::DataPath(plan.output)));
    EXPECT_EQ(listTree(out),
        (std::vector<std::string> { rec::DataPath(plan.output).filename().string(),
            plan.output.filename().string(), plan.subOutput.filename().string() }));
    EXPECT_EQ(snapshotTree(card.path()), before) << "sources changed";

    const auto posts = worker.posts();
    ASSERT_FALSE(posts.empty());
    for (std::size_t i = 1; i < posts.size(); ++i)
        EXPECT_GE(posts[i].done, posts[i - 1].done);
    EXPECT_EQ(posts.back().done, posts.back().count);
}

TEST_F(SaveWorkerTest, AnOutputThatIsOneOfTheInputsIsReplacedOnlyWhenComplete)
{
    const fs::path folder = entries[0].path.parent_path();
    const std::string second = readBytes(entries[1].path);
    const SavePlan plan = MakeSavePlan(entries, folder);
    ASSERT_EQ(plan.output, entries[0].path);
    FakeWorker worker;
    const SaveOutcome outcome = RunSave(plan, worker);
    ASSERT_EQ(outcome.status, SaveOutcome::Status::Saved) << outcome.error;
    EXPECT_EQ(ffmpegComplaints(plan.output), "");
    EXPECT_EQ(frameCodes(plan.output, 640, 360).size(), 60u);
    EXPECT_EQ(readBytes(entries[1].path), second);
}

TEST_F(SaveWorkerTest, CancelLeavesNoFileAndNoOpenDescriptor)
{
    const SavePlan plan = MakeSavePlan(entries, out);
    ASSERT_FALSE(plan.subs.empty());
    // Before any byte, at the first post, while the main movie is written, once it is complete
    // (not yet in place), and while the sub movie is written.
    const std::function<bool(const ProgressPost&)> cancelWhen[] = {
        [](const ProgressPost&) { return true; },
        [](const ProgressPost& p) { return p.done > 0; },
        [&](const ProgressPost& p) { return std::uint64_t(p.done) >= plan.mainBytes / 2; },
        [&](const ProgressPost& p) { return std::uint64_t(p.done) == plan.mainBytes; },
        [&](const ProgressPost& p) { return std::uint64_t(p.done) > plan.mainBytes && p.done < p.count; },
    };
    // Into an empty folder, and over an earlier save of the same recordings, which must stay as
    // it was.
    for (const bool earlier : { false, true }) {
        if (earlier) {
            FakeWorker worker;
            ASSERT_EQ(RunSave(plan, worker).status, SaveOutcome::Status::Saved);
        }
        const auto before = snapshotTree(out);
        const auto namesBefore = listTree(out);
        const std::size_t fdsBefore = openDescriptors();
        for (std::size_t point = 0; point < std::size(cancelWhen); ++point) {
            FakeWorker worker;
            worker.onProgress = [&](const ProgressPost& p) {
                if (cancelWhen[point](p))
                    worker.cancel = true;
            };
            const SaveOutcome outcome = RunSave(plan, worker);
            EXPECT_EQ(outcome.status, SaveOutcome::Status::Cancelled) << earlier << point;
            EXPECT_EQ(outcome.error, "") << earlier << point;
            EXPECT_EQ(snapshotTree(out), before) << earlier << point;
            EXPECT_EQ(listTree(out), namesBefore) << earlier << point;
            EXPECT_EQ(openDescriptors(), fdsBefore) << earlier << point;
        }
    }
}

TEST_F(SaveWorkerTest, FailuresLeaveNoOutputAndNoSourceTouched)
{
    const SavePlan plan = MakeSavePlan(entries, out);
    {
        // A disk that fills up: writes beyond a small size fail.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old {};
        ::getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 16 * 1024;
        ::setrlimit(RLIMIT_FSIZE, &small);
        FakeWorker worker;
        const SaveOutcome outcome = RunSave(plan, worker);
        ::setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_EQ(outcome.status, SaveOutcome::Status::Failed);
        EXPECT_FALSE(outcome.error.empty());
        EXPECT_EQ(listTree(out), std::vector<std::string> {});
    }
    {
        // A source that is shorter than when it was listed.
        const auto size = fs::file_size(entries[1].path);
        fs::resize_file(entries[1].path, size / 2);
        const auto before = snapshotTree(card.path());
        FakeWorker worker;
        const SaveOutcome outcome = RunSave(plan, worker);
        EXPECT_EQ(outcome.status, SaveOutcome::Status::Failed);
        EXPECT_EQ(listTree(out), std::vector<std::string> {});
        EXPECT_EQ(snapshotTree(card.path()), before);
    }
}

TEST_F(SaveWorkerTest, FullAndReadOnlyFileSystems)
{
    const struct {
        const char* options;
        bool mainFits; // room for the main movie, not for the sub movie as well
    } cases[] = { { "size=16k", false }, { "size=4m,ro", false }, { "size=48k", true } };
    for (const auto& c : cases) {
        SmallMount mount(outRoot / c.options, c.options);
        if (!mount.mounted())
            GTEST_SKIP() << "no permission to mount a memory file system";
        const fs::path target = outRoot / c.options;
        const SavePlan plan = MakeSavePlan(entries, target);
        FakeWorker worker;
        const SaveOutcome outcome = RunSave(plan, worker);
        if (!c.mainFits) {
            EXPECT_EQ(outcome.status, SaveOutcome::Status::Failed) << c.options;
            EXPECT_FALSE(outcome.error.empty()) << c.options;
            EXPECT_EQ(listTree(target), std::vector<std::string> {}) << c.options;
            continue;
        }
        // The main movie is whole; the sub movie is left out with the reason, and nothing of it
        // stays behind.
        EXPECT_EQ(outcome.status, SaveOutcome::Status::Saved) << c.options;
        EXPECT_FALSE(outcome.subSaved);
        EXPECT_NE(outcome.subNote, "");
        EXPECT_EQ(ffmpegComplaints(plan.output), "");
        EXPECT_EQ(listTree(target),
            (std::vector<std::string> {
                rec::DataPath(plan.output).filename().string(), plan.output.filename().string() }));
    }
}

TEST_F(SaveWorkerTest, AnEarlierSubMovieDoesNotPassForThisSavesOne)
{
    {
        FakeWorker worker;
        ASSERT_EQ(RunSave(MakeSavePlan(entries, out), worker).status, SaveOutcome::Status::Saved);
    }
    auto withoutSecondSub = entries;
    withoutSecondSub[1].subSize = 0;
    const SavePlan plan = MakeSavePlan(withoutSecondSub, out);
    ASSERT_TRUE(plan.subs.empty());
    ASSERT_TRUE(fs::exists(plan.staleSub));

    // Same name again, now without a sub movie: the earlier one goes with the main it belonged to.
    FakeWorker again;
    const SaveOutcome replaced = RunSave(plan, again);
    ASSERT_EQ(replaced.status, SaveOutcome::Status::Saved) << replaced.error;
    EXPECT_TRUE(replaced.earlierSubRemoved);
    EXPECT_EQ(listTree(out),
        (std::vector<std::string> {
            rec::DataPath(plan.output).filename().string(), plan.output.filename().string() }));

    // A file under the sub name beside a new main movie was not ours to judge; a sub movie that
    // is a source of the save is never removed, even when the save replaces its main movie.
    const SavePlan fresh = MakeSavePlan(withoutSecondSub, outRoot / "fresh");
    fs::create_directories(fresh.output.parent_path());
    std::ofstream(fresh.staleSub) << "not a save's";
    const SavePlan inPlace = MakeSavePlan(withoutSecondSub, entries[0].path.parent_path());
    ASSERT_EQ(inPlace.output, entries[0].path);
    const fs::path sourceSub = rec::PairPath(entries[0].path);
    const std::string sourceSubBytes = readBytes(sourceSub);
    for (const SavePlan* p : { &fresh, &inPlace }) {
        FakeWorker worker;
        const SaveOutcome outcome = RunSave(*p, worker);
        ASSERT_EQ(outcome.status, SaveOutcome::Status::Saved) << outcome.error;
        EXPECT_FALSE(outcome.earlierSubRemoved);
    }
    EXPECT_EQ(readBytes(fresh.staleSub), "not a save's");
    EXPECT_EQ(readBytes(sourceSub), sourceSubBytes);
}
