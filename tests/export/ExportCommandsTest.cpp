#include "kivora/export/ExportCommands.h"
#include "kivora/export/CsvListing.h"
#include "kivora/export/SnapshotName.h"
#include "kivora/platform/IniFile.h"
#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/ui/UiText.h"
#include "tests/export/ExportFakes.h"
#include "tests/export/ExportTestCard.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace kivora::exporting;
using namespace kivora::exporting::test;
namespace rec = kivora::recording;

namespace {

std::string slot(int n)
{
    return std::string(kivora::ui::UiText(n));
}

class ExportCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rec::setCurrentLayout(0);
        m_oldDataHome = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
        ::setenv("XDG_DATA_HOME", (work / "share").c_str(), 1);
        fs::create_directories(work / "share");
        fs::create_directories(out);
        entries = writeCard(card.path());
        ASSERT_EQ(entries.size(), 2u);
        context.list.root = card.path();
        context.list.all = entries;
        // The list shows the rows in its own order, with a folder row first.
        rec::RecordingEntry folderRow;
        folderRow.path = card / "Normal";
        folderRow.attributes = rec::kAttrDirectory;
        folderRow.sequence = -1;
        context.list.shown = { folderRow, entries[1], entries[0] };
        context.folder = out;
    }
    void TearDown() override
    {
        if (m_oldDataHome.empty())
            ::unsetenv("XDG_DATA_HOME");
        else
            ::setenv("XDG_DATA_HOME", m_oldDataHome.c_str(), 1);
    }
    std::string remembered(const char* key) const
    {
        return kivora::platform::IniFile(settings).read("FOLDERPATH", key);
    }

    TempFolder card;
    TempFolder work;
    fs::path out = work / "out";
    fs::path settings = work / "Default_Folder.ini";
    std::vector<rec::RecordingEntry> entries;
    FakeContext context;
    FakeHost host;
    FakeChooser chooser;
    ExportCommands commands { context, host, chooser, settings };

private:
    std::string m_oldDataHome;
};

} // namespace

TEST_F(ExportCommandsTest, CsvListing)
{
    // No folder chosen: nothing at all.
    context.folder.clear();
    commands.ExportCsv();
    EXPECT_EQ(host.started, 0);
    EXPECT_TRUE(context.messages.empty());

    // Nothing to list.
    context.folder = out;
    context.list.all.clear();
    commands.ExportCsv();
    EXPECT_EQ(context.texts(), std::vector<std::string> { slot(99) });
    EXPECT_EQ(host.started, 0);
    context.list.all = entries;

    // Written, then the folder is remembered and the playback position comes back.
    context.messages.clear();
    commands.ExportCsv();
    ASSERT_TRUE(host.finish());
    const fs::path listing = out / CsvFileName(rec::NameDateTime(entries[0].path));
    EXPECT_TRUE(fs::exists(listing));
    EXPECT_EQ(remembered("CSV_FOLDER"), out.string());
    EXPECT_EQ(context.texts(), std::vector<std::string> { slot(44) });
    EXPECT_EQ(context.messages[0].caption, slot(45));
    EXPECT_EQ(context.closed, 1);
    EXPECT_EQ(context.reopened, 1);
    EXPECT_EQ(context.chooserStarts.back(), context.startup) << "nothing was remembered then";

    // The same listing again asks first; Cancel keeps the old one.
    context.messages.clear();
    context.answers = { 2 };
    fs::resize_file(listing, 3);
    commands.ExportCsv();
    EXPECT_EQ(context.texts(), std::vector<std::string> { slot(90) });
    EXPECT_EQ(context.messages[0].caption, slot(104));
    EXPECT_EQ(host.started, 1);
    EXPECT_EQ(fs::file_size(listing), 3u);
    EXPECT_EQ(context.chooserStarts.back(), out) << "the remembered folder";

    // A folder that cannot take the file.
    context.messages.clear();
    context.folder = work / "gone";
    commands.ExportCsv();
    ASSERT_TRUE(host.finish());
    EXPECT_EQ(context.texts(), std::vector<std::string> { slot(93) });
    EXPECT_EQ(remembered("CSV_FOLDER"), out.string()) << "only a success is remembered";
}

TEST_F(ExportCommandsTest, Stills)
{
    EXPECT_FALSE(commands.enabled(38006)) << "nothing open";
    QImage main(640, 360, QImage::Format_RGB32);
    main.fill(Qt::gray);
    context.mainImage = main;
    context.subImage = main.scaled(320, 180);
    // The open recording names the stills, whichever row the list has in focus.
    context.open = OpenRecording { entries[1].path, 450, 1000.0 / 30, false, true, std::nullopt };
    EXPECT_TRUE(commands.enabled(38006));
    const SnapshotNames names = SnapshotName(out, entries[1].path, 450);

    // Only the main camera open: one file, and that is a success.
    commands.TakeSnapshot();
    EXPECT_TRUE(fs::exists(names.main));
    EXPECT_FALSE(fs::exists(names.sub));
    EXPECT_EQ(context.texts(), std::vector<std::string> { slot(44) });
    EXPECT_EQ(remembered("SNAPSHOT_FOLDER"), out.string());
    EXPECT_EQ(context.overlayHidden, 1);
    EXPECT_EQ(context.overlayRestored, 1);

    // Both cameras: asked before the main still is replaced; Cancel writes nothing.
    context.open->subOpen = true;
    context.messages.clear();
    context.answers = { 2 };
    commands.TakeSnapshot();
    EXPECT_EQ(context.texts(), std::vector<std::string> { slot(90) });
    EXPECT_FALSE(fs::exists(names.sub));
    EXPECT_EQ(context.overlayRestored, 2);

    // OK writes both.
    context.messages.clear();
    commands.TakeSnapshot();
    EXPECT_TRUE(fs::exists(names.sub));
    EXPECT_EQ(context.texts(), (std::vector<std::string> { slot(90), slot(44) }));

    // Only the sub still exists: that is asked about too. A sub camera without a picture fails.
    fs::remove(names.main);
    context.messages.clear();
    context.subImage = QImage();
    commands.TakeSnapshot();
    EXPECT_EQ(context.texts(), (std::vector<std::string> { slot(90), slot(98) }));
    EXPECT_EQ(context.messages[1].caption, "ERROR");
    EXPECT_EQ(host.started, 0) << "stills are taken on the window's thread";
}

TEST_F(ExportCommandsTest, SaveMarksTheSavedRowsByIdentity)
{
    EXPECT_TRUE(commands.enabled(38007));
    chooser.tick = std::vector<fs::path> { entries[0].path, entries[1].path };
    commands.SaveConcatenated();
    EXPECT_EQ(chooser.mode, SelectMode::Concatenate);
    EXPECT_EQ(chooser.offered.size(), 2u) << "recordings only, no folder rows";
    EXPECT_EQ(context.closed, 1);
    ASSERT_TRUE(host.finish());
    ASSERT_EQ(context.texts().size(), 1u);
    EXPECT_EQ(context.texts()[0], slot(44));
    EXPECT_TRUE(fs::exists(out / entries[0].path.filename()));
    EXPECT_TRUE(fs::exists(out / "A___-230115-083000-000100S.MOV"));
    EXPECT_EQ(context.list.shown[0].marked, 0);
    EXPECT_EQ(context.list.shown[1].marked, 1);
    EXPECT_EQ(context.list.shown[2].marked, 1);
    EXPECT_EQ(remembered("CONNECT_FOLDER"), out.string());
    EXPECT_EQ(context.reopened, 1);
    const auto posts = host.worker.posts();
    ASSERT_FALSE(posts.empty());
    EXPECT_GT(posts.back().count, 2) << "progress counts bytes";

    // Saving again asks first; Cancel leaves everything as it is.
    context.messages.clear();
    context.answers = { 2 };
    commands.SaveConcatenated();
    EXPECT_EQ(context.texts(), std::vector<std::string> { slot(90) });
    EXPECT_EQ(host.started, 1);

    // One part without its sub movie: the main movie is saved and the closing message says why
    // the sub movie is not.
    fs::remove(rec::PairPath(entries[1].path));
    context.messages.clear();
    commands.SaveConcatenated();
    ASSERT_TRUE(host.finish());
    ASSERT_EQ(context.texts().size(), 2u);
    EXPECT_EQ(context.texts()[1].rfind(slot(44) + "\nThe sub-camera movie was not saved: ", 0), 0u)
        << context.texts()[1];
}

TEST_F(ExportCommandsTest, SaveRefusals)
{
    // The user cancels the selection, then ticks nothing: no message either time.
    commands.SaveConcatenated();
    chooser.tick = std::vector<fs::path> {};
    commands.SaveConcatenated();
    EXPECT_TRUE(context.messages.empty());

    chooser.tick = std::vector<fs::path> { entries[0].path };
    context.list.removed = true;
    commands.SaveConcatenated();
    EXPECT_EQ(context.texts(), std::vector<std::string> { slot(92) });
    context.list.removed = false;

    // Over the size limit (as the selection dialog would refuse it).
    context.messages.clear();
    context.list.shown[2].mainSize = 1025ull << 20;
    commands.SaveConcatenated();
    EXPECT_EQ(context.texts(), std::vector<std::string> { slot(138) });
    context.list.shown[2].mainSize = entries[0].mainSize;

    // A save that fails in the worker: its message, no marks, no output, the position back.
    context.messages.clear();
    context.list.shown[2].marked = 1;
    fs::resize_file(entries[0].path, 100);
    commands.SaveConcatenated();
    ASSERT_TRUE(host.finish());
    EXPECT_EQ(context.texts(), std::vector<std::string> { slot(92) });
    EXPECT_EQ(context.list.shown[2].marked, 0);
    EXPECT_TRUE(fs::is_empty(out));
    EXPECT_EQ(context.reopened, 1);
    EXPECT_EQ(remembered("CONNECT_FOLDER"), "");
    EXPECT_EQ(host.started, 1);
}

TEST_F(ExportCommandsTest, DeleteOnACardOrAFolder)
{
    const struct {
        rec::SourceKind kind;
        bool marks; // the recorder's marks rather than the trash
    } cases[] = { { rec::SourceKind::Card, true }, { rec::SourceKind::Folder, false } };
    for (const auto& c : cases) {
        TempFolder source;
        const auto recs = writeCard(source.path());
        context = {};
        context.list.kind = c.kind;
        context.list.root = source.path();
        context.list.all = recs;
        context.list.shown = recs;
        // The playing recording is closed before its files are touched.
        context.open = OpenRecording { recs[1].path, 10, 1000.0 / 30, true, true, std::nullopt };
        chooser.tick = std::vector<fs::path> { recs[1].path };
        commands.DeleteRecordings();
        EXPECT_EQ(chooser.mode, SelectMode::Delete);
        EXPECT_EQ(context.closed, 1);
        ASSERT_TRUE(host.finish());
        EXPECT_TRUE(context.messages.empty()) << context.texts()[0];
        EXPECT_EQ(context.rescans, 1) << "the list is rebuilt from the disk";
        EXPECT_FALSE(fs::exists(recs[1].path));
        EXPECT_EQ(fs::exists(fs::path(recs[1].path).replace_extension(".DMY")), c.marks);
        EXPECT_EQ(fs::exists(rec::PairPath(recs[1].path)), c.marks) << "the sub movie";
        EXPECT_TRUE(fs::exists(recs[0].path));
        EXPECT_EQ(context.reopened, 0) << "its files are gone";

        // Not the playing one: playback is left alone. A vanished source refuses.
        context.list.removed = true;
        chooser.tick = std::vector<fs::path> { recs[0].path };
        commands.DeleteRecordings();
        EXPECT_EQ(context.texts(), std::vector<std::string> { slot(94) });
        EXPECT_TRUE(fs::exists(recs[0].path));
        EXPECT_EQ(context.closed, 1);
    }
}

TEST_F(ExportCommandsTest, EnablingRule)
{
    const struct {
        std::optional<rec::SourceKind> kind;
        bool rows, removed, open, telemetry;
        bool still, save, erase, csv;
    } cases[] = {
        // Save and the listing only for a card with content.
        { rec::SourceKind::Card, true, false, false, false, false, true, true, true },
        { rec::SourceKind::Folder, true, false, false, false, false, false, true, false },
        { rec::SourceKind::SingleFiles, true, false, false, false, false, false, true, false },
        { rec::SourceKind::Card, false, false, false, false, false, false, false, false },
        { rec::SourceKind::Card, true, true, false, false, false, false, true, false },
        { std::nullopt, false, false, false, false, false, false, false, false },
        // Stills once the telemetry of the open recording is loaded.
        { rec::SourceKind::Folder, true, false, true, false, false, false, true, false },
        { rec::SourceKind::Folder, true, false, true, true, true, false, true, false },
    };
    for (const auto& c : cases) {
        context.list.kind = c.kind;
        if (!c.rows)
            context.list.shown.clear();
        else if (context.list.shown.empty())
            context.list.shown = entries;
        context.list.removed = c.removed;
        context.open.reset();
        if (c.open)
            context.open = OpenRecording { entries[0].path, 0, 33.3, false, c.telemetry, std::nullopt };
        const std::string label = std::to_string(int(c.kind.value_or(rec::SourceKind(0)))) + " rows "
            + std::to_string(c.rows) + " removed " + std::to_string(c.removed) + " open "
            + std::to_string(c.open) + std::to_string(c.telemetry);
        EXPECT_EQ(commands.enabled(38006), c.still) << label;
        EXPECT_EQ(commands.enabled(38007), c.save) << label;
        EXPECT_EQ(commands.enabled(38010), c.erase) << label;
        EXPECT_EQ(commands.enabled(38012), c.csv) << label;
    }
    // Nothing while a worker runs.
    context.list.kind = rec::SourceKind::Card;
    context.list.removed = false;
    context.list.all.clear();
    commands.ExportCsv();
    chooser.tick = std::vector<fs::path> { entries[0].path };
    commands.SaveConcatenated();
    ASSERT_EQ(host.started, 1);
    for (int id : { 38006, 38007, 38010, 38012 })
        EXPECT_FALSE(commands.enabled(id)) << id;
    host.finish();
}

TEST_F(ExportCommandsTest, CancelledWorkLeavesNoTrace)
{

    // A save cancelled as soon as it reports: nothing written, no row shows as saved, no message.
    context.list.shown[1].marked = 1; // from an earlier save, cleared as well
    host.worker.onProgress = [&](const ProgressPost& p) {
        if (p.done > 0)
            host.cancelWorker();
    };
    chooser.tick = std::vector<fs::path> { entries[0].path, entries[1].path };
    commands.SaveConcatenated();
    ASSERT_TRUE(host.finish());
    EXPECT_TRUE(context.messages.empty()) << context.texts()[0];
    EXPECT_EQ(listTree(out), std::vector<std::string> {});
    for (const auto& row : context.list.shown)
        EXPECT_EQ(row.marked, 0) << row.path;
    EXPECT_EQ(context.reopened, 1);
    EXPECT_EQ(remembered("CONNECT_FOLDER"), "");

    // A listing cancelled at its first line: no success, the folder not remembered.
    commands.ExportCsv();
    ASSERT_TRUE(host.finish());
    EXPECT_TRUE(context.messages.empty()) << context.texts()[0];
    EXPECT_EQ(remembered("CSV_FOLDER"), "");
    EXPECT_EQ(context.reopened, 2);
}

TEST_F(ExportCommandsTest, ADeleteStoppedBeforeThePlayingRecordingPlaysOn)
{
    context.list.kind = rec::SourceKind::Folder;
    context.open = OpenRecording { entries[0].path, 5, 33.3, true, true, std::nullopt };
    host.worker.onProgress = [&](const ProgressPost& p) {
        if (p.done == 1)
            host.cancelWorker();
    };
    chooser.tick = std::vector<fs::path> { entries[0].path, entries[1].path };
    commands.DeleteRecordings();
    ASSERT_TRUE(host.finish());
    EXPECT_FALSE(fs::exists(entries[1].path));
    EXPECT_TRUE(fs::exists(entries[0].path));
    EXPECT_EQ(context.closed, 1);
    EXPECT_EQ(context.reopened, 1);
    EXPECT_EQ(context.rescans, 1);
}
