// The camera surface: clicks reach the owner as single or double clicks, engine messages are handed
// on by the camera rules, and the picture, its bars and the zoom as the user sees them.

#include "kivora/playback/CMovieStatic.h"
#include "kivora/playback/MovieMessages.h"
#include "kivora/playback/MoviePair.h"
#include "kivora/playback/MovieSurfaceOwner.h"
#include "kivora/playback/ZoomInteraction.h"
#include "tests/playback/MovieFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QStyleHints>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

using namespace kivora::playback;
using namespace kivora::playback::test;

namespace {

bool waitUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return done();
}

void settle(int ms)
{
    waitUntil([] { return false; }, ms);
}

struct Owner final : MovieSurfaceOwner {
    struct Click {
        int camera;
        QPoint at;
    };
    std::vector<Click> singles;
    std::vector<int> doubles;
    int menus = 0, graphEvents = 0, ended = 0, ready = 0, reapplied = 0;
    unsigned graphW = 0;
    long graphL = 0;
    std::function<void()> reapply;

    void onSurfaceContextMenu(QPoint, CMovieStatic&) override { ++menus; }
    void onSurfaceGraphEvent(unsigned w, long l) override
    {
        ++graphEvents;
        graphW = w;
        graphL = l;
    }
    void onSurfaceMovieEnded() override { ++ended; }
    void onSurfaceMovieReady() override { ++ready; }
    void onSurfaceSingleClick(int camera, QPoint at) override { singles.push_back({ camera, at }); }
    void onSurfaceDoubleClick(int camera) override { doubles.push_back(camera); }
    void onSurfaceReapplyZoom() override
    {
        ++reapplied;
        if (reapply)
            reapply();
    }
};

// A short double-click time keeps the tests quick; the real one is restored afterwards.
class Clicks : public ::testing::Test {
protected:
    static constexpr int kInterval = 150;
    void SetUp() override
    {
        m_saved = QGuiApplication::styleHints()->mouseDoubleClickInterval();
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(kInterval);
        surface.setOwner(&owner);
        surface.setCameraIndex(0);
        surface.resize(320, 180);
        surface.show();
    }
    void TearDown() override { QGuiApplication::styleHints()->setMouseDoubleClickInterval(m_saved); }

    // What the window system delivers for a double-click: the second press comes first.
    void doubleClick(QPoint at)
    {
        QTest::mousePress(&surface, Qt::LeftButton, {}, at);
        QTest::mouseRelease(&surface, Qt::LeftButton, {}, at);
        QTest::mousePress(&surface, Qt::LeftButton, {}, at);
        QTest::mouseDClick(&surface, Qt::LeftButton, {}, at);
        QTest::mouseRelease(&surface, Qt::LeftButton, {}, at);
    }

    Owner owner;
    CMovieStatic surface;

private:
    int m_saved = 400;
};

} // namespace

TEST_F(Clicks, SingleClickArrivesOneDoubleClickTimeAfterThePress)
{
    QElapsedTimer sincePress;
    sincePress.start();
    QTest::mousePress(&surface, Qt::LeftButton, {}, QPoint(30, 40));
    QTest::mouseRelease(&surface, Qt::LeftButton, {}, QPoint(31, 41));
    EXPECT_TRUE(owner.singles.empty());
    ASSERT_TRUE(waitUntil([&] { return !owner.singles.empty(); }, 5000));
    EXPECT_GE(sincePress.elapsed(), kInterval - 2);
    EXPECT_EQ(owner.singles[0].camera, 0);
    EXPECT_EQ(owner.singles[0].at, QPoint(30, 40)); // where the button went down
    EXPECT_EQ(surface.upPoint(), QPoint(31, 41));
    settle(2 * kInterval);
    EXPECT_EQ(owner.singles.size(), 1u);
    EXPECT_TRUE(owner.doubles.empty());
}

TEST_F(Clicks, DoubleClickIsDeliveredAloneAndTheNextClickIsSingleAgain)
{
    doubleClick(QPoint(50, 60));
    settle(3 * kInterval);
    EXPECT_TRUE(owner.singles.empty());
    EXPECT_EQ(owner.doubles, std::vector<int> { 0 });

    QTest::mousePress(&surface, Qt::LeftButton, {}, QPoint(7, 8));
    QTest::mouseRelease(&surface, Qt::LeftButton, {}, QPoint(7, 8));
    ASSERT_TRUE(waitUntil([&] { return !owner.singles.empty(); }, 5000));
    EXPECT_EQ(owner.singles[0].at, QPoint(7, 8));
    EXPECT_EQ(owner.doubles.size(), 1u);
}

TEST_F(Clicks, SurfaceWithoutCameraHandsOnNoSingleClickOrMenu)
{
    surface.setCameraIndex(-1);
    QTest::mouseClick(&surface, Qt::LeftButton, {}, QPoint(5, 5));
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), surface.mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(&surface, &menu);
    settle(2 * kInterval);
    EXPECT_TRUE(owner.singles.empty());
    EXPECT_EQ(owner.menus, 0);

    surface.setCameraIndex(1);
    QCoreApplication::sendEvent(&surface, &menu);
    EXPECT_EQ(owner.menus, 1);
}

TEST(Surface, EngineMessagesFollowTheCameraRules)
{
    MovieEngine mainEngine, subEngine;
    MoviePair pair(mainEngine, subEngine);
    struct Case {
        int camera;
        int subOpenResult;
        int ready, ended, graph;
    };
    // The sub camera always reports ready; the main camera only when no sub movie opened, and it
    // alone reports the end of the movie and graph events.
    const Case cases[] = {
        { 0, 0, 1, 1, 1 },
        { 0, 1, 0, 1, 1 },
        { 0, 2, 0, 1, 1 },
        { 1, 0, 1, 0, 0 },
        { 1, 1, 1, 0, 0 },
        { -1, 0, 0, 0, 0 },
    };
    for (const Case& c : cases) {
        Owner owner;
        CMovieStatic surface; // never shown, like the sub camera's
        surface.setOwner(&owner);
        surface.setPair(&pair);
        surface.setCameraIndex(c.camera);
        pair.subOpenResult = c.subOpenResult;
        const auto target = surface.messageTarget();
        ASSERT_TRUE(kivora::platform::postMessage(target, WM_MOVIE_READY));
        ASSERT_TRUE(kivora::platform::postMessage(target, WM_MOVIE_ENDED));
        ASSERT_TRUE(kivora::platform::postMessage(target, WM_GRAPH_EVENT, 7, -3));
        QCoreApplication::processEvents();
        EXPECT_EQ(owner.ready, c.ready) << "camera " << c.camera << " sub " << c.subOpenResult;
        EXPECT_EQ(owner.ended, c.ended) << "camera " << c.camera;
        EXPECT_EQ(owner.graphEvents, c.graph) << "camera " << c.camera;
        if (c.graph) {
            EXPECT_EQ(owner.graphW, 7u);
            EXPECT_EQ(owner.graphL, -3);
        }
    }
    // A surface that is gone takes no more messages.
    kivora::platform::MessageTarget stale;
    {
        CMovieStatic surface;
        stale = surface.messageTarget();
    }
    EXPECT_FALSE(kivora::platform::postMessage(stale, WM_MOVIE_READY));
}

TEST(Surface, ZoomModeShowsTheZoomCursor)
{
    CMovieStatic surface;
    QPixmap picture(32, 32);
    picture.fill(Qt::red);
    surface.setZoomCursor(QCursor(picture, 13, 13));
    EXPECT_EQ(surface.cursor().shape(), Qt::ArrowCursor);
    surface.setZoomMode(true);
    EXPECT_EQ(surface.cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(surface.cursor().hotSpot(), QPoint(13, 13));
    surface.setZoomMode(false);
    EXPECT_EQ(surface.cursor().shape(), Qt::ArrowCursor);
}

// The rows of an image that hold nothing but black.
namespace {

std::vector<bool> blackRows(const QImage& image)
{
    std::vector<bool> rows(std::size_t(image.height()));
    for (int y = 0; y < image.height(); ++y) {
        bool black = true;
        for (int x = 0; x < image.width() && black; ++x)
            black = (image.pixel(x, y) & 0xffffff) == 0;
        rows[std::size_t(y)] = black;
    }
    return rows;
}

// The share of the surface's pixels that differ clearly from the frame's picture scaled into dest
// by Qt: a wrong size, place or colour conversion of the painted picture shows up here, while the
// two scalers' small differences at edges do not.
double paintedMismatch(CMovieStatic& surface, const QRect& dest)
{
    const QImage painted = surface.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage expected = surface.frame()
                                .picture.image()
                                .scaled(dest.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                .copy(QRect(-dest.topLeft(), surface.size()));
    int clear = 0;
    for (int y = 0; y < painted.height(); ++y)
        for (int x = 0; x < painted.width(); ++x) {
            const QRgb a = painted.pixel(x, y), b = expected.pixel(x, y);
            if (std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))}) > 40)
                ++clear;
        }
    return double(clear) / (painted.width() * painted.height());
}

} // namespace

// A real movie in the main camera's surface, placed the way the main window does it.
TEST(SurfaceWithMovie, BarsZoomAndBlackWhenClosed)
{
    TempFolder folder;
    const auto path = folder.path() / "AG__-230115-083000-000123M.MOV";
    ASSERT_TRUE(writeMovie(path, { 30, 90, 320, 180, false })); // 16:9, like 1920 × 1080

    MovieEngine mainEngine, subEngine;
    MoviePair pair(mainEngine, subEngine);
    Owner owner;
    CMovieStatic surface;
    surface.setOwner(&owner);
    surface.setPair(&pair);
    surface.setCameraIndex(0);
    surface.resize(640, 480);
    std::array<ZoomState, 2> zoom {};
    resetZoom(zoom[0], zoomResetAnchor(0, surface.size(), 1.0));
    owner.reapply = [&] { pair.SetZoomBoth(zoom, false); };

    ASSERT_TRUE(mainEngine.Init(MovieWindow { surface.messageTarget(), &surface }, "Noto Sans CJK JP"));
    ASSERT_EQ(mainEngine.Open(path), kOpenOk);
    ASSERT_TRUE(waitUntil([&] { return owner.ready > 0; }, 20000)); // no sub movie: main reports
    ASSERT_TRUE(mainEngine.SeekAndHold(10));
    ASSERT_TRUE(mainEngine.SetAspectMode(1));
    surface.show();

    // Keep-aspect: the picture is (0, 60, 640, 421), the bars above and below are black.
    const QRect fitted(0, 60, 640, 361);
    ASSERT_TRUE(waitUntil([&] { return surface.frame().destination == fitted; }, 5000));
    settle(50);
    std::vector<bool> rows = blackRows(surface.grab().toImage());
    for (int y = 0; y < 480; ++y)
        ASSERT_EQ(rows[std::size_t(y)], y < 60 || y >= 421) << "row " << y;
    EXPECT_GT(owner.reapplied, 0);

    // Stretch: the picture fills the surface, no bar anywhere.
    ASSERT_TRUE(mainEngine.SetAspectMode(0));
    ASSERT_TRUE(waitUntil([&] { return surface.frame().destination == surface.rect(); }, 5000));
    settle(50);
    rows = blackRows(surface.grab().toImage());
    EXPECT_EQ(std::count(rows.begin(), rows.end(), true), 0);
    EXPECT_LT(paintedMismatch(surface, surface.rect()), 0.002);

    // Painting must settle: re-applying the zoom brings a fresh frame, whose paint applies nothing.
    const int reapplied = owner.reapplied;
    surface.update();
    settle(300);
    EXPECT_LE(owner.reapplied - reapplied, 2);

    // The first zoom click on a 640 × 360 surface showing the whole picture.
    surface.resize(640, 360);
    resetZoom(zoom[0], zoomResetAnchor(0, surface.size(), 1.0));
    ASSERT_TRUE(pair.SetZoomBoth(zoom, true));
    ASSERT_EQ(mainEngine.pictureRect(), (VideoRect { 0, 0, 640, 360 }));
    ASSERT_TRUE(zoomClick(zoom[0], QPoint(100, 50), mainEngine.pictureRect(), surface.size(), QPoint(320, 180)));
    ASSERT_TRUE(pair.SetZoomBoth(zoom, true));
    EXPECT_EQ(mainEngine.pictureRect(), (VideoRect { -100, -50, 1180, 670 }));
    ASSERT_TRUE(waitUntil([&] { return surface.frame().destination == QRect(-100, -50, 1280, 720); }, 5000));
    settle(50);
    EXPECT_LT(paintedMismatch(surface, QRect(-100, -50, 1280, 720)), 0.002);

    // A closed movie leaves no picture behind, even though the surface still holds its last frame.
    ASSERT_TRUE(pair.CloseBoth());
    ASSERT_FALSE(surface.frame().picture.isNull());
    rows = blackRows(surface.grab().toImage());
    EXPECT_EQ(std::count(rows.begin(), rows.end(), false), 0);

    // The next movie at the same size takes the zoom the engine kept, from its first picture on.
    owner.ready = 0;
    ASSERT_EQ(mainEngine.Open(path), kOpenOk);
    ASSERT_TRUE(waitUntil([&] { return owner.ready > 0; }, 20000));
    ASSERT_TRUE(mainEngine.SeekAndHold(5));
    EXPECT_TRUE(waitUntil([&] { return surface.frame().destination == QRect(-100, -50, 1280, 720); }, 5000))
        << surface.frame().destination.x() << "," << surface.frame().destination.width();
}
