// The popup menu's repair and evidence bundle commands, prologue to epilogue, with the user's
// answers given by the test and the real libraries doing the work on a worker thread.
#include "kivora/export/BundleCommand.h"
#include "kivora/export/RepairCommand.h"
#include "kivora/playback/FfmpegSampleJudge.h"
#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/MovieRepair.h"
#include "kivora/ui/UiText.h"
#include "tests/export/ExportFakes.h"
#include "tests/export/ExportTestCard.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace kivora::exporting;
using namespace kivora::exporting::test;
using kivora::testing::runProgram;
using kivora::testing::Stderr;
namespace rec = kivora::recording;

namespace {

std::string slot(int n)
{
    return std::string(kivora::ui::UiText(n));
}

void writeBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

std::string decodeErrors(const fs::path& movie)
{
    return runProgram(
        { "ffmpeg", "-nostdin", "-v", "error", "-i", movie.string(), "-f", "null", "-" }, Stderr::Merge)
        .out;
}

int videoFrames(const fs::path& movie)
{
    const auto r = runProgram({ "ffprobe", "-v", "error", "-count_packets", "-select_streams", "v:0",
        "-show_entries", "stream=nb_read_packets", "-of", "csv=p=0", movie.string() });
    return std::atoi(r.out.c_str());
}

std::size_t openDescriptors()
{
    return std::size_t(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

class RepairCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rec::setCurrentLayout(0);
        entries = writeCard(card.path(), { .recordings = 2, .frames = 60, .withSub = false });
        ASSERT_EQ(entries.size(), 2u);
        broken = entries[0].path;
        original = readBytes(broken);
        // Power lost two thirds into the movie data: the index at the end was never written.
        cutBytes = original.substr(0, original.size() * 2 / 3);
        writeBytes(broken, cutBytes);
        fs::create_directories(out);
        context.folder = out;
        context.list.root = card.path();
    }

    RepairCommand makeCommand()
    {
        RepairCommand::Window window;
        window.chooseMovie = [this](const fs::path& start, const QString&) {
            movieChooserStarts.push_back(start);
            return chosenMovie;
        };
        window.openRepaired = [this](const fs::path& movie) { opened.push_back(movie); };
        return RepairCommand(context, host, window, work / "settings.ini");
    }

    TempFolder card;
    TempFolder work;
    fs::path out = work / "out";
    std::vector<rec::RecordingEntry> entries;
    fs::path broken;
    std::string original, cutBytes;
    FakeContext context;
    FakeHost host;
    fs::path chosenMovie;
    std::vector<fs::path> movieChooserStarts;
    std::vector<fs::path> opened;
};

TEST_F(RepairCommandTest, RepairsIntoTheChosenFolderAndOpensTheResult)
{
    EXPECT_TRUE(RepairCommand::templateExists(broken));
    RepairCommand command = makeCommand();
    command.repair(broken);
    ASSERT_TRUE(host.finish());

    const fs::path repaired = out / broken.filename();
    ASSERT_TRUE(fs::exists(repaired)) << ::testing::PrintToString(context.texts());
    EXPECT_EQ(decodeErrors(repaired), "");
    EXPECT_GT(videoFrames(repaired), 10);
    EXPECT_LT(videoFrames(repaired), 60);
    EXPECT_EQ(listTree(out), std::vector<std::string> { broken.filename().string() })
        << "nothing staged is left";
    EXPECT_EQ(readBytes(broken), cutBytes) << "the broken movie is only read";
    EXPECT_EQ(opened, std::vector<fs::path> { repaired });
    ASSERT_EQ(context.messages.size(), 1u);
    EXPECT_EQ(context.messages[0].caption, slot(45));
    EXPECT_NE(context.messages[0].text.find(repaired.string()), std::string::npos);
    EXPECT_FALSE(host.worker.posts().empty()) << "progress while it works";
}

TEST_F(RepairCommandTest, RefusalsWriteNothingAndTouchNothing)
{
    TempFolder loose;
    const fs::path looseBroken = loose.path() / broken.filename();
    writeBytes(looseBroken, cutBytes);
    const fs::path noise = card / "Normal" / "noise.MOV";
    writeBytes(noise, std::string(200000, '\x5a'));
    // Power lost before the first picture was whole: found out by the worker.
    const fs::path firstFrameCut = card / "Normal" / "firstframe.MOV";
    writeBytes(firstFrameCut, original.substr(0, 2000));

    struct Case {
        const char* what;
        fs::path movie;
        fs::path folder;
        std::deque<int> answers;
        bool started;
    };
    const std::vector<Case> cases {
        { "the recorder's own movie folder, chosen twice", broken, card / "Normal", {}, false },
        { "the broken movie's own folder", looseBroken, loose.path(), {}, false },
        { "a file that is no movie", noise, out, {}, false },
        { "a movie that has its index", entries[1].path, out, {}, false },
        { "cut inside its first key frame", firstFrameCut, out, {}, true },
        { "a repair already there, not replaced", broken, out, { 2 }, false },
        { "the folder chooser cancelled", broken, fs::path(), {}, false },
    };
    writeBytes(out / "existing.txt", "x");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (std::string(c.what).find("already") != std::string::npos)
            writeBytes(out / broken.filename(), "earlier repair");
        context.folder = c.folder;
        context.answers = c.answers;
        context.messages.clear();
        const auto before = snapshotTree(card.path());
        const auto outBefore = snapshotTree(out);
        RepairCommand command = makeCommand();
        command.repair(c.movie);
        EXPECT_EQ(host.finish(), c.started);
        EXPECT_EQ(snapshotTree(card.path()), before);
        EXPECT_EQ(snapshotTree(out), outBefore);
        EXPECT_EQ(readBytes(looseBroken), cutBytes);
        EXPECT_TRUE(opened.empty());
        // Every refusal but the user's own cancel says why.
        const auto errors = std::count_if(context.messages.begin(), context.messages.end(),
            [](const Message& m) { return m.caption == "ERROR"; });
        EXPECT_EQ(errors == 0, c.folder.empty() || !c.answers.empty());
        fs::remove(out / broken.filename());
    }
}

TEST_F(RepairCommandTest, CancelLeavesNothingBehind)
{
    host.worker.onProgress = [this](const ProgressPost&) { host.worker.cancel = true; };
    RepairCommand command = makeCommand();
    command.repair(broken);
    ASSERT_TRUE(host.finish());
    EXPECT_TRUE(listTree(out).empty());
    EXPECT_TRUE(context.messages.empty());
    EXPECT_TRUE(opened.empty());
}

// A stop early in the walk, half-way, or after the copy, just before the rename, ends the repair
// there: no file at all is left (hidden staged ones included) and no descriptor stays open.
TEST_F(RepairCommandTest, StopAnywhereLeavesNoFileAndNoDescriptor)
{
    std::string why;
    const auto tpl = rec::ReadRepairTemplate(entries[1].path, why);
    ASSERT_TRUE(tpl) << why;
    auto judge = kivora::playback::FfmpegSampleJudge::create(*tpl, why);
    ASSERT_TRUE(judge) << why;
    const fs::path target = out / broken.filename();

    // How often a whole repair asks, also from its copying thread.
    std::atomic<int> asks { 0 };
    const auto whole = rec::RepairMovie(broken, *tpl, *judge, target, {}, [&] { return ++asks, false; });
    ASSERT_EQ(whole.status, rec::RepairStatus::Repaired) << whole.error;
    ASSERT_GT(asks.load(), 10);
    fs::remove(target);

    const std::size_t descriptors = openDescriptors();
    for (const int at : { 1, asks.load() / 2, asks.load() - 1 }) {
        SCOPED_TRACE(at);
        std::atomic<int> n { 0 };
        const auto r = rec::RepairMovie(broken, *tpl, *judge, target, {}, [&] { return ++n >= at; });
        EXPECT_EQ(r.status, rec::RepairStatus::Cancelled);
        EXPECT_EQ(r.error, "cancelled");
        EXPECT_EQ(listTree(out), std::vector<std::string> {});
        EXPECT_EQ(openDescriptors(), descriptors);
    }
    EXPECT_EQ(readBytes(broken), cutBytes);
}

TEST_F(RepairCommandTest, TheOfferAndThePopupMenusChoice)
{
    RepairCommand command = makeCommand();
    context.answers = { 2 };
    EXPECT_FALSE(command.offer(broken, QStringLiteral("open failed")));
    ASSERT_EQ(context.messages.size(), 1u);
    EXPECT_EQ(context.messages[0].kind, 1) << "a question";
    EXPECT_NE(context.messages[0].text.find("open failed"), std::string::npos);
    EXPECT_NE(context.messages[0].text.find(slot(14)), std::string::npos);
    EXPECT_TRUE(command.offer(broken, QStringLiteral("open failed")));

    // The popup menu's repair starts where the failed recording lies; cancelling ends it.
    command.chooseAndRepair();
    EXPECT_EQ(movieChooserStarts, std::vector<fs::path> { broken });
    EXPECT_FALSE(host.finish());
    chosenMovie = broken;
    command.chooseAndRepair();
    ASSERT_TRUE(host.finish());
    EXPECT_TRUE(fs::exists(out / broken.filename()));

    // Only a movie that lost its index is offered the repair.
    const std::string healthy = readBytes(entries[1].path);
    std::string zeroTail = original;
    std::fill(zeroTail.begin() + std::ptrdiff_t(zeroTail.size() * 2 / 3), zeroTail.end(), '\0');
    const struct {
        const char* what;
        std::string bytes;
        bool cut;
    } kinds[] = {
        { "cut", cutBytes, true },
        { "zeroed after the cut", zeroTail, true },
        { "healthy", healthy, false },
        { "empty", "", false },
        { "no movie", std::string(5000, 'x'), false },
    };
    for (const auto& k : kinds) {
        writeBytes(work / "probe.MOV", k.bytes);
        EXPECT_EQ(RepairCommand::looksCut(work / "probe.MOV"), k.cut) << k.what;
    }

    // A movie alone in its folder has nothing to lend it an index: no offer.
    TempFolder alone;
    writeBytes(alone.path() / broken.filename(), cutBytes);
    EXPECT_FALSE(RepairCommand::templateExists(alone.path() / broken.filename()));
}

class BundleCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rec::setCurrentLayout(0);
        entries = writeCard(card.path(), { .recordings = 2, .frames = 30, .withSub = true });
        ASSERT_EQ(entries.size(), 2u);
        context.list.root = card.path();
        context.list.all = entries;
        context.list.shown = entries;
        context.folder = out;
        fs::create_directories(out);
        chooser.tick = std::vector<fs::path> { entries[0].path, entries[1].path };
    }

    TempFolder card;
    TempFolder work;
    fs::path out = work / "out";
    std::vector<rec::RecordingEntry> entries;
    FakeContext context;
    FakeHost host;
    FakeChooser chooser;
    BundleCommand command { context, host, chooser, work / "settings.ini" };
};

TEST_F(BundleCommandTest, BuildsAVerifiableBundleAndNamesIt)
{
    EXPECT_TRUE(command.enabled());
    const auto before = snapshotTree(card.path());
    command.run();
    ASSERT_TRUE(host.finish());
    const auto made = listTree(out);
    ASSERT_FALSE(made.empty());
    const fs::path bundle = out / fs::path(made.front()).begin()->string();
    EXPECT_EQ(bundle.filename().string().rfind("Evidence_", 0), 0u) << bundle;
    const auto check
        = runProgram({ "sh", "-c", "cd \"$0\" && sha256sum -c --strict --quiet SHA256SUMS", bundle.string() },
            Stderr::Merge);
    EXPECT_EQ(check.status, 0) << check.out;
    EXPECT_EQ(snapshotTree(card.path()), before);
    ASSERT_EQ(context.messages.size(), 1u);
    EXPECT_EQ(context.messages[0].caption, slot(45));
    EXPECT_NE(context.messages[0].text.find(bundle.string()), std::string::npos);
    // The build shares no state with the window, which plays on meanwhile.
    EXPECT_EQ(context.closed, 0);
    EXPECT_EQ(context.reopened, 0);
    EXPECT_FALSE(host.worker.posts().empty());
    EXPECT_EQ(chooser.mode, SelectMode::Bundle) << "a bundle is not bound by the save's limits";
}

TEST_F(BundleCommandTest, CancelAndRefusalsLeaveNothing)
{
    // Cancelled in the worker: no half bundle, no message, the recording plays on.
    host.worker.onProgress = [this](const ProgressPost&) { host.worker.cancel = true; };
    command.run();
    ASSERT_TRUE(host.finish());
    EXPECT_TRUE(listTree(out).empty());
    EXPECT_TRUE(context.messages.empty());

    // Cancelled in the selection dialog, or in the folder chooser: nothing starts.
    chooser.tick.reset();
    command.run();
    chooser.tick = std::vector<fs::path> { entries[0].path };
    context.folder.clear();
    command.run();
    // Inside the card's own movie folder: refused with a reason.
    context.folder = card / "Normal";
    command.run();
    EXPECT_FALSE(host.finish());
    EXPECT_EQ(context.messages.size(), 1u);
    EXPECT_EQ(context.closed, 0);

    context.list.shown.clear();
    EXPECT_FALSE(command.enabled());
}

} // namespace
