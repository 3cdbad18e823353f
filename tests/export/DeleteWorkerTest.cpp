#include "kivora/export/DeleteWorker.h"
#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/RecordingName.h"
#include "tests/export/ExportFakes.h"
#include "tests/export/ExportTestCard.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace kivora::exporting;
using namespace kivora::exporting::test;
namespace rec = kivora::recording;

namespace {

class DeleteWorkerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rec::setCurrentLayout(0);
        // The desktop trash of this test, beside the card on the same file system.
        m_oldDataHome = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
        ::setenv("XDG_DATA_HOME", (home / "share").c_str(), 1);
        fs::create_directories(home / "share");
        entries = writeCard(card.path());
        ASSERT_EQ(entries.size(), 2u);
    }
    void TearDown() override
    {
        if (m_oldDataHome.empty())
            ::unsetenv("XDG_DATA_HOME");
        else
            ::setenv("XDG_DATA_HOME", m_oldDataHome.c_str(), 1);
    }
    std::vector<fs::path> movies() const
    {
        std::vector<fs::path> paths;
        for (const auto& e : entries)
            paths.push_back(e.path);
        return paths;
    }
    std::vector<std::string> trashed() { return listTree(home / "share" / "Trash" / "files"); }

    TempFolder card;
    TempFolder home;
    std::vector<rec::RecordingEntry> entries;

private:
    std::string m_oldDataHome;
};

} // namespace

TEST_F(DeleteWorkerTest, OnARecorderCardTheRecordingsGetTheRecordersMarks)
{
    FakeWorker worker;
    const DeleteOutcome outcome
        = RunDelete({ entries[0].path }, { .recorderCard = true, .layout = 0 }, worker);
    ASSERT_FALSE(outcome.failed) << outcome.error;
    EXPECT_EQ(outcome.deleted, std::vector<fs::path> { entries[0].path });
    const fs::path movie = entries[0].path;
    EXPECT_FALSE(fs::exists(movie));
    EXPECT_TRUE(fs::exists(fs::path(movie).replace_extension(".DMY")));
    fs::path data = rec::DataPath(movie, 0);
    EXPECT_FALSE(fs::exists(data));
    EXPECT_TRUE(fs::exists(data.replace_extension(".TDA")));
    EXPECT_TRUE(fs::exists(entries[1].path)) << "only the ticked recording";
    EXPECT_EQ(trashed(), std::vector<std::string> {});
}

TEST_F(DeleteWorkerTest, ElsewhereAllThreeFilesGoToTheTrash)
{
    FakeWorker worker;
    const DeleteOutcome outcome = RunDelete(movies(), {}, worker);
    ASSERT_FALSE(outcome.failed) << outcome.error;
    // From the last to the first.
    EXPECT_EQ(outcome.deleted, (std::vector<fs::path> { entries[1].path, entries[0].path }));
    for (const auto& e : entries)
        for (const fs::path& p : { e.path, rec::PairPath(e.path), rec::DataPath(e.path, 0) }) {
            EXPECT_FALSE(fs::exists(p)) << p;
            const auto t = trashed();
            EXPECT_NE(std::find(t.begin(), t.end(), p.filename().string()), t.end()) << p;
        }
    const auto posts = worker.posts();
    ASSERT_FALSE(posts.empty());
    EXPECT_EQ(posts.back().done, 2);
    EXPECT_EQ(posts.back().count, 2);
}

TEST_F(DeleteWorkerTest, StopsAtACancelOrTheFirstFailure)
{
    {
        FakeWorker worker;
        worker.onProgress = [&](const ProgressPost& p) { worker.cancel = p.done == 1; };
        const DeleteOutcome outcome = RunDelete(movies(), {}, worker);
        EXPECT_TRUE(outcome.cancelled);
        EXPECT_EQ(outcome.deleted, std::vector<fs::path> { entries[1].path });
        EXPECT_TRUE(fs::exists(entries[0].path));
    }
    {
        // A card pulled: the recording's folder is gone.
        fs::remove_all(card / "Normal");
        FakeWorker worker;
        const DeleteOutcome outcome = RunDelete({ entries[0].path }, {}, worker);
        EXPECT_TRUE(outcome.failed);
        EXPECT_TRUE(outcome.deleted.empty());
        EXPECT_FALSE(outcome.error.empty());
    }
}

TEST_F(DeleteWorkerTest, ATrashThatRefusesStopsTheDelete)
{
    // Recordings on a file system of their own that turns read-only: its trash cannot be made
    // and the files cannot leave it.
    SmallMount mount(home / "odd", "size=8m");
    if (!mount.mounted())
        GTEST_SKIP() << "no permission to mount a memory file system";
    const auto odd = writeCard(home / "odd");
    ASSERT_EQ(odd.size(), 2u);
    ASSERT_TRUE(mount.remount(true));
    const auto before = snapshotTree(home / "odd");
    FakeWorker worker;
    const DeleteOutcome outcome = RunDelete({ odd[0].path, odd[1].path }, {}, worker);
    EXPECT_TRUE(outcome.failed);
    EXPECT_TRUE(outcome.deleted.empty());
    EXPECT_NE(outcome.error.find(odd[1].path.filename().string()), std::string::npos) << outcome.error;
    EXPECT_EQ(snapshotTree(home / "odd"), before);
    mount.remount(false);
}
