#include "kivora/browse/CMovieResource.h"

#include "BrowseTestSupport.h"

#include <QThread>

#include <gtest/gtest.h>

namespace kivora::browse {
namespace {

namespace fs = std::filesystem;

TEST(CMovieResource, ReportsADeletedFolderOnce)
{
    TempFolder dir;
    fs::create_directories(dir / "card/Normal");
    test::RemovalCounter counter;
    CMovieResource watcher(counter.messages.target());
    watcher.SetPath(dir.path(), dir / "card");
    QThread::msleep(250);
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.removed, 0);
    EXPECT_FALSE(watcher.sourceRemoved());

    fs::remove_all(dir / "card");
    EXPECT_TRUE(test::waitFor([&] { return counter.removed > 0; }, 3000));
    EXPECT_TRUE(watcher.sourceRemoved());
    EXPECT_TRUE(watcher.path().empty());
    QThread::msleep(300);
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.removed, 1);

    // A new source clears the mark and is watched again.
    fs::create_directories(dir / "again");
    watcher.SetPath(dir / "again", dir / "again");
    EXPECT_FALSE(watcher.sourceRemoved());
    fs::remove_all(dir / "again");
    EXPECT_TRUE(test::waitFor([&] { return counter.removed == 2; }, 3000));
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
    CMovieResource watcher(counter.messages.target());
    // A folder that is itself a mount root: its parent survives the unmount.
    watcher.SetPath(dir.path(), fat.mountPoint());
    QThread::msleep(250);
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.removed, 0);
    ASSERT_TRUE(fat.unmount());
    EXPECT_TRUE(fs::exists(fat.mountPoint()));
    EXPECT_TRUE(test::waitFor([&] { return counter.removed > 0; }, 3000));
    QThread::msleep(300);
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.removed, 1);
}

} // namespace
} // namespace kivora::browse
