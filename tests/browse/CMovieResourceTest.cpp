#include "kivora/browse/CMovieResource.h"

#include "BrowseTestSupport.h"

#include <QThread>

#include <fcntl.h>

#include <gtest/gtest.h>

namespace kivora::browse {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Lets the watcher look a few times, then delivers what it posted.
void settle(int ms = 300)
{
    QThread::msleep(static_cast<unsigned long>(ms));
    QCoreApplication::processEvents();
}

TEST(CMovieResource, ReportsADeletedFolderOnceWithAndWithoutTheKernel)
{
    for (const bool kernel : { true, false }) {
        SCOPED_TRACE(kernel ? "inotify" : "the look alone");
        TempFolder dir;
        fs::create_directories(dir / "card/Normal");
        test::RemovalCounter counter;
        CMovieResource watcher(counter.messages.target(), { 100ms, 1000ms, kernel });
        watcher.SetPath(dir.path(), dir / "card");
        settle(250);
        EXPECT_EQ(counter.removed, 0);
        EXPECT_FALSE(watcher.sourceRemoved());
        EXPECT_TRUE(kernel || !watcher.kernelWatching());

        fs::remove_all(dir / "card");
        EXPECT_TRUE(test::waitFor([&] { return counter.removed > 0; }, 3000));
        EXPECT_TRUE(watcher.sourceRemoved());
        EXPECT_TRUE(watcher.path().empty());
        settle();
        EXPECT_EQ(counter.removed, 1);

        // A new source clears the mark and is watched again.
        fs::create_directories(dir / "again");
        watcher.SetPath(dir / "again", dir / "again");
        EXPECT_FALSE(watcher.sourceRemoved());
        fs::remove_all(dir / "again");
        EXPECT_TRUE(test::waitFor([&] { return counter.removed == 2; }, 3000));
        settle();
        EXPECT_EQ(counter.removed, 2);
    }
}

// With the look put off for an hour, only the kernel's report can tell of these removals.
TEST(CMovieResource, TheKernelReportsRemovalsAtOnce)
{
    struct Case {
        const char* what;
        bool file; // the source is a movie rather than a folder
        std::function<void(const fs::path& source, int heldOpen)> remove;
    };
    const Case cases[] = {
        { "folder deleted", false, [](const fs::path& s, int) { fs::remove_all(s); } },
        { "folder renamed", false, [](const fs::path& s, int) { fs::rename(s, s.parent_path() / "moved"); } },
        { "open movie deleted", true, [](const fs::path& s, int) { fs::remove(s); } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder dir;
        const fs::path source = dir / (c.file ? "AG__-230115-083000-000123M.MOV" : "card");
        if (c.file)
            writeText(source, "movie");
        else
            fs::create_directories(source / "Normal");
        // An engine would hold the movie open, which delays the kernel's deletion report.
        const int held = c.file ? ::open(source.c_str(), O_RDONLY | O_CLOEXEC) : -1;
        test::RemovalCounter counter;
        CMovieResource watcher(counter.messages.target(), { 1h, 1h, true });
        watcher.SetPath(c.file ? source : dir.path(), source);
        test::waitFor([&] { return watcher.kernelWatching(); }, 1000);
        if (!watcher.kernelWatching())
            GTEST_SKIP() << "the kernel does not watch here";
        settle(100);
        c.remove(source, held);
        EXPECT_TRUE(test::waitFor([&] { return counter.removed > 0; }, 3000));
        settle();
        EXPECT_EQ(counter.removed, 1);
        if (held >= 0)
            ::close(held);
    }
}

TEST(CMovieResource, NothingWatchedReportsNothingAndStopsAtOnce)
{
    test::RemovalCounter counter;
    auto watcher = std::make_unique<CMovieResource>(counter.messages.target());
    watcher->SetPath({}, {});
    EXPECT_FALSE(watcher->poll());
    QElapsedTimer t;
    t.start();
    watcher.reset();
    EXPECT_LT(t.elapsed(), 100);
    EXPECT_EQ(counter.removed, 0);
}

TEST(CMovieResource, AnUnmountedMountRootCountsAsRemoved)
{
    TempFolder dir;
    test::LoopFat fat(dir.path(), true);
    if (!fat.mounted())
        GTEST_SKIP() << "no loop mount here: " << fat.why();
    test::RemovalCounter counter;
    // The look put off: the kernel's unmount report alone must tell.
    CMovieResource watcher(counter.messages.target(), { 1h, 1h, true });
    // A folder that is itself a mount root: its parent survives the unmount.
    watcher.SetPath(dir.path(), fat.mountPoint());
    test::waitFor([&] { return watcher.kernelWatching(); }, 1000);
    if (!watcher.kernelWatching())
        GTEST_SKIP() << "the kernel does not watch here";
    settle(250);
    EXPECT_EQ(counter.removed, 0);
    ASSERT_TRUE(fat.unmount());
    EXPECT_TRUE(fs::exists(fat.mountPoint()));
    EXPECT_TRUE(test::waitFor([&] { return counter.removed > 0; }, 3000));
    settle();
    EXPECT_EQ(counter.removed, 1);
}

} // namespace
} // namespace kivora::browse
