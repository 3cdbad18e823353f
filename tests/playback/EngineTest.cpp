// The engines over real (generated) movies: open results, readiness, frame-exact seeks, the pair's
// frame conversion, transport, end of movie, damaged input and lifetime loops.

#include "kivora/platform/MessageTable.h"
#include "kivora/playback/EVRCustomPresenter.h"
#include "kivora/playback/MediaErrorReporter.h"
#include "kivora/playback/MovieMessages.h"
#include "kivora/playback/EVRCustomPresenter.h"
#include "kivora/playback/MoviePair.h"
#include "kivora/playback/VideoSurface.h"
#include "tests/playback/MovieFixture.h"
#include "tests/support/CameraFixture.h"
#include "tools/democard/MovAtoms.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <memory>
#include <mutex>

using namespace kivora::playback;
using namespace kivora::playback::test;
namespace fs = std::filesystem;

namespace {

template <class Pred>
bool waitFor(Pred pred, int ms = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

void settle(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}

// One camera surface as the main window would have it: a widget for the picture and a receiver
// of the engine's messages.
constexpr const char* kMainName = "AG__-230115-083000-000123M.MOV";
constexpr const char* kSubName = "AG__-230115-083000-000123S.MOV";

std::size_t mdatEnd(const std::vector<std::uint8_t>& bytes, std::uint64_t& begin)
{
    for (const auto& a : kivora::democard::listAtoms(bytes, 0, bytes.size())) {
        if (a.type == "mdat") {
            begin = a.offset + 8;
            return std::size_t(a.offset + a.size);
        }
    }
    return 0;
}

class Movies : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder = std::make_unique<TempFolder>();
        const fs::path& d = folder->path();
        ASSERT_TRUE(writeMovie(d / kMainName, {30, 360, 320, 180, true}));
        ASSERT_TRUE(writeMovie(d / kSubName, {15, 180, 320, 180, false}));
        ASSERT_TRUE(writeMovie(d / "short30.MOV", {30, 54, 320, 180, false}));
        ASSERT_TRUE(writeMovie(d / "short15.MOV", {15, 27, 320, 180, false}));
        // Sound whose codec nobody knows: the movie must play silent. Both the sample entry and
        // its decoder description are renamed; either alone still names the codec.
        ASSERT_TRUE(writeMovie(d / "badaudio.MOV", {30, 90, 320, 180, true}, [](std::vector<std::uint8_t>& b) {
            for (const std::string tag : {"mp4a", "esds"}) {
                auto it = std::search(b.begin(), b.end(), tag.begin(), tag.end());
                ASSERT_NE(it, b.end());
                std::copy_n("zzzz", 4, it);
            }
        }));
        // The last third of the picture data overwritten: plays what it can, then ends.
        ASSERT_TRUE(writeMovie(d / "damaged.MOV", {30, 90, 320, 180, false}, [](std::vector<std::uint8_t>& b) {
            std::uint64_t begin = 0;
            const std::size_t end = mdatEnd(b, begin);
            ASSERT_GT(end, begin);
            std::fill(b.begin() + std::ptrdiff_t(begin + (end - begin) * 2 / 3), b.begin() + std::ptrdiff_t(end),
                      std::uint8_t(0x5a));
        }));
        // Packets in the middle of the second second overwritten: the pictures after them play.
        ASSERT_TRUE(writeMovie(d / "midbroken.MOV", {30, 90, 320, 180, false}, [](std::vector<std::uint8_t>& b) {
            std::uint64_t begin = 0;
            const std::size_t end = mdatEnd(b, begin);
            ASSERT_GT(end, begin);
            std::fill(b.begin() + std::ptrdiff_t(begin + (end - begin) * 2 / 5),
                      b.begin() + std::ptrdiff_t(begin + (end - begin) / 2), std::uint8_t(0xa7));
        }));
        // Cut in the middle of the picture data, as after a power loss: no movie header is left.
        ASSERT_TRUE(writeMovie(d / "cut.MOV", {30, 90, 320, 180, false}, [](std::vector<std::uint8_t>& b) {
            std::uint64_t begin = 0;
            const std::size_t end = mdatEnd(b, begin);
            b.resize(std::size_t(begin + (end - begin) / 2));
        }));
        std::ofstream(d / "notes.MOV") << std::string(400, 'x');
    }
    static void TearDownTestSuite() { folder.reset(); }

    static fs::path at(const char* name) { return folder->path() / name; }
    static std::unique_ptr<TempFolder> folder;
};
std::unique_ptr<TempFolder> Movies::folder;

// Opens a movie in a fresh engine and waits for its ready message.
struct OpenEngine {
    explicit OpenEngine(const fs::path& path, bool withSurface = true) : camera(withSurface ? QSize(320, 180) : QSize())
    {
        engine.Init(camera.window(), "Noto Sans CJK JP");
        openResult = engine.Open(path);
        if (openResult == kOpenOk)
            waitFor([&] { return camera.ready > 0; });
    }
    int shownCode() { return frameCode(engine.session ? engine.session->currentImage() : QImage()); }
    Camera camera;
    MovieEngine engine;
    int openResult = 0;
};

} // namespace

TEST_F(Movies, OpenResults)
{
    struct Case {
        const char* name;
        int result;
    };
    const Case cases[] = {{"short30.MOV", kOpenTooShort}, {"short15.MOV", kOpenOk}, {"notes.MOV", kOpenFailed},
                          {"missing.MOV", kOpenFailed},   {"cut.MOV", kOpenFailed}, {kMainName, kOpenOk}};
    for (const Case& c : cases) {
        Camera camera(QSize(320, 180));
        MovieEngine engine;
        ASSERT_TRUE(engine.Init(camera.window(), "Noto Sans CJK JP"));
        EXPECT_EQ(engine.Open(at(c.name)), c.result) << c.name;
        if (c.result != kOpenOk) {
            EXPECT_EQ(engine.engineState(), EngineState::Closed) << c.name;
            settle(50);
            EXPECT_EQ(camera.ready, 0) << c.name;
        } else {
            EXPECT_EQ(engine.engineState(), EngineState::Stopped) << c.name;
            EXPECT_TRUE(waitFor([&] { return camera.ready == 1; })) << c.name;
        }
    }
    EXPECT_NEAR(MovieEngine().GetFramePeriod(), 0.0f, 0.0f);
}

TEST_F(Movies, OperationsNeedAReadyMovie)
{
    Camera camera(QSize(320, 180));
    MovieEngine engine;
    ASSERT_TRUE(engine.Init(camera.window(), "Noto Sans CJK JP"));
    EXPECT_EQ(engine.Play(), 0);
    EXPECT_EQ(engine.Pause(), 0);
    EXPECT_EQ(engine.Stop(), 0);
    EXPECT_EQ(engine.SeekAndHold(3), 0);
    EXPECT_FALSE(engine.SetZoom(0, 0, 0, 0, 2.0f, true));
    EXPECT_FALSE(engine.SaveSnapshot(Movies::folder->path() / "none.jpg"));
    EXPECT_EQ(engine.GetDuration(), 0);
    ASSERT_EQ(engine.Open(at(kMainName)), kOpenOk);
    ASSERT_TRUE(waitFor([&] { return camera.ready == 1; }));
    EXPECT_EQ(engine.Play(), 1);
    engine.Close();
    EXPECT_EQ(engine.Play(), 0);
    EXPECT_EQ(engine.SeekAndHold(3), 0);
    EXPECT_EQ(engine.engineState(), EngineState::Closed);
}

TEST_F(Movies, SeekAndHoldShowsExactlyThatFrame)
{
    OpenEngine o(at(kMainName));
    ASSERT_EQ(o.openResult, kOpenOk);
    EXPECT_EQ(o.engine.GetDuration(), 360);
    EXPECT_NEAR(o.engine.GetFramePeriod(), 1000.0f / 30.0f, 1e-3f);
    int w = 0, h = 0;
    ASSERT_TRUE(o.engine.GetNativeSize(w, h));
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 180);
    // Key frames every second: 0 and 30 are key frames, 17 and 301 lie inside a group, 359 is the last.
    for (int k : {0, 17, 30, 301, 359, 5}) {
        ASSERT_EQ(o.engine.SeekAndHold(k), 1);
        EXPECT_TRUE(waitFor([&] { return o.shownCode() == k; })) << "frame " << k << " shows " << o.shownCode();
        EXPECT_EQ(o.engine.GetPosition(), k);
        settle(30);
        EXPECT_EQ(frameCode(o.camera.surface->frame().picture.image()), k) << "surface after seek to " << k;
    }
    // A held frame stays: nothing more is produced while the clock stands.
    const int shown = o.camera.surface->framesShown();
    settle(200);
    EXPECT_EQ(o.camera.surface->framesShown(), shown);
    EXPECT_EQ(o.shownCode(), 5);
}

TEST_F(Movies, PlayAdvancesAndPauseHoldsOneFrame)
{
    OpenEngine o(at(kMainName));
    ASSERT_EQ(o.openResult, kOpenOk);
    ASSERT_EQ(o.engine.SeekAndHold(10), 1);
    ASSERT_TRUE(waitFor([&] { return o.shownCode() == 10; }));
    ASSERT_EQ(o.engine.Play(), 1);
    EXPECT_EQ(o.engine.engineState(), EngineState::Playing);
    // The movie has sound: it plays through the sound device when there is one.
    EXPECT_EQ(o.engine.session->audioDisabled(), QMediaDevices::defaultAudioOutput().isNull());
    EXPECT_TRUE(waitFor([&] { return o.engine.GetPosition() >= 25 && o.shownCode() >= 20; }));
    ASSERT_EQ(o.engine.Pause(), 1);
    EXPECT_EQ(o.engine.Pause(), 1); // a second pause changes nothing
    settle(100);
    const int position = o.engine.GetPosition();
    const int code = o.shownCode();
    const int shown = o.camera.surface->framesShown();
    settle(300);
    EXPECT_EQ(o.engine.GetPosition(), position);
    EXPECT_EQ(o.shownCode(), code);
    EXPECT_EQ(o.camera.surface->framesShown(), shown);
    EXPECT_EQ(code, position) << "the paused position is the picture left on screen";
    // Stop after pause keeps the position and the picture.
    EXPECT_EQ(o.engine.Stop(), 1);
    EXPECT_EQ(o.engine.engineState(), EngineState::Stopped);
    EXPECT_EQ(o.engine.GetPosition(), position);
    EXPECT_EQ(o.shownCode(), code);
}

TEST_F(Movies, EndOfMovieIsReportedOnce)
{
    OpenEngine o(at(kMainName));
    ASSERT_EQ(o.openResult, kOpenOk);
    ASSERT_EQ(o.engine.SeekAndHold(340), 1);
    ASSERT_EQ(o.engine.Play(), 1);
    EXPECT_TRUE(waitFor([&] { return o.camera.ended == 1; }));
    settle(500);
    EXPECT_EQ(o.camera.ended, 1);
    EXPECT_EQ(o.shownCode(), 359);
    EXPECT_EQ(o.engine.engineState(), EngineState::Playing); // until the main window reacts
    // Seeking back and playing again ends again.
    ASSERT_EQ(o.engine.Pause(), 1);
    ASSERT_EQ(o.engine.SeekAndHold(350), 1);
    ASSERT_EQ(o.engine.Play(), 1);
    EXPECT_TRUE(waitFor([&] { return o.camera.ended == 2; }));
}

TEST_F(Movies, DamagedMoviesPlayWhatTheyHave)
{
    for (const char* name : {"badaudio.MOV", "damaged.MOV"}) {
        OpenEngine o(at(name));
        ASSERT_EQ(o.openResult, kOpenOk) << name;
        ASSERT_EQ(o.camera.ready, 1) << name;
        if (std::string(name) == "badaudio.MOV") {
            EXPECT_TRUE(o.engine.session->audioDisabled());
        }
        ASSERT_EQ(o.engine.SeekAndHold(0), 1);
        ASSERT_EQ(o.engine.Play(), 1);
        EXPECT_TRUE(waitFor([&] { return o.camera.ended == 1; })) << name;
        EXPECT_GE(o.engine.GetPosition(), 30) << name;
    }
}

namespace {
std::atomic<int> g_errorBoxes{0};
}

TEST_F(Movies, CorruptPacketsAreSkippedNotFatal)
{
    g_errorBoxes = 0;
    setErrorBoxHandler([](const std::string&) { ++g_errorBoxes; });
    {
        OpenEngine o(at("midbroken.MOV"));
        ASSERT_EQ(o.openResult, kOpenOk);
        // Frame-exact seeks past the damage still land, and the damaged stretch itself does not hang.
        for (int frame : {70, 40, 0}) {
            ASSERT_EQ(o.engine.SeekAndHold(frame), 1);
            if (frame != 40) {
                EXPECT_TRUE(waitFor([&] { return o.shownCode() == frame; }, 5000)) << frame;
            }
        }
        ASSERT_EQ(o.engine.Play(), 1);
        EXPECT_TRUE(waitFor([&] { return o.camera.ended == 1; }));
        EXPECT_EQ(o.shownCode(), 89) << "the key frame after the damage heals the picture";
        EXPECT_EQ(o.engine.session->error(), MediaError::None);
    }
    setErrorBoxHandler(nullptr);
    EXPECT_EQ(g_errorBoxes, 0);
}

TEST_F(Movies, FastPlaybackShowsMoreThanKeyFrames)
{
    OpenEngine o(at(kMainName));
    ASSERT_EQ(o.openResult, kOpenOk);
    ASSERT_EQ(o.engine.SeekAndHold(0), 1);
    ASSERT_TRUE(waitFor([&] { return o.shownCode() == 0; }));
    ASSERT_EQ(o.engine.SetRate(kRateQuadruple), 1);
    const int before = o.camera.surface->framesShown();
    ASSERT_EQ(o.engine.Play(), 1);
    settle(1000);
    ASSERT_EQ(o.engine.Pause(), 1);
    // A second of x4 is four seconds of this movie: four key frames, 120 pictures. A small movie
    // decodes far faster than that, so nearly every picture is shown.
    EXPECT_GT(o.camera.surface->framesShown() - before, 40);
    EXPECT_GE(o.engine.GetPosition(), 90);
    // The clock is untouched by thinning: the paused position is still the picture on screen.
    settle(200);
    EXPECT_EQ(o.shownCode(), o.engine.GetPosition());
}

TEST_F(Movies, SeekBothConvertsBetweenFrameRates)
{
    Camera mainCamera(QSize(320, 180)), subCamera;
    MovieEngine main, sub;
    MoviePair pair(main, sub);
    ASSERT_TRUE(main.Init(mainCamera.window(), "Noto Sans CJK JP"));
    ASSERT_TRUE(sub.Init(subCamera.window(), "Noto Sans CJK JP"));
    ASSERT_EQ(pair.OpenBoth(at(kMainName)), 1);
    EXPECT_EQ(pair.subOpenResult, 1);
    ASSERT_TRUE(waitFor([&] { return mainCamera.ready == 1 && subCamera.ready == 1; }));
    EXPECT_EQ(pair.subFrameFor(300), 150);

    ASSERT_TRUE(pair.SeekBoth(300));
    EXPECT_EQ(main.GetPosition(), 300);
    EXPECT_EQ(sub.GetPosition(), 150);
    const fs::path mainJpg = Movies::folder->path() / "main.jpg";
    const fs::path subJpg = Movies::folder->path() / "sub.jpg";
    ASSERT_TRUE(waitFor([&] { return main.session && frameCode(main.session->currentImage()) == 300; }));
    ASSERT_TRUE(main.SaveSnapshot(mainJpg));
    ASSERT_TRUE(sub.SaveSnapshot(subJpg));
    EXPECT_EQ(frameCode(QImage(QString::fromStdString(mainJpg.string()))), 300);
    EXPECT_EQ(frameCode(QImage(QString::fromStdString(subJpg.string()))), 150);

    // Both follow play and pause; the sub camera is never drawn and never heard.
    ASSERT_TRUE(pair.PlayBoth());
    EXPECT_TRUE(waitFor([&] { return main.GetPosition() >= 310; }));
    ASSERT_TRUE(pair.PauseBoth());
    EXPECT_NEAR(double(sub.GetPosition()), double(main.GetPosition()) / 2.0, 2.0);
    EXPECT_EQ(sub.session->hasVideoOutput(), false);

    EXPECT_EQ(pair.NextRateCode(true), 1); // paused
    ASSERT_TRUE(pair.SetRateBoth(-1));
    EXPECT_EQ(main.rate(), -2);
    EXPECT_EQ(sub.rate(), -2);
    ASSERT_TRUE(pair.CloseBoth());
    EXPECT_EQ(main.engineState(), EngineState::Closed);
    EXPECT_EQ(sub.engineState(), EngineState::Closed);
}

TEST_F(Movies, PresenterRefusesInvertedRectangles)
{
    OpenEngine o(at(kMainName));
    ASSERT_EQ(o.openResult, kOpenOk);
    const QRectF whole(0, 0, 1, 1);
    const VideoRect inverted{100, 0, 50, 100};
    EXPECT_EQ(o.engine.session->setVideoPosition(&whole, &inverted), PresenterResult::InvalidArgument);
    const QRectF outside(0.5, 0, 0.7, 1);
    EXPECT_EQ(o.engine.session->setVideoPosition(&outside, nullptr), PresenterResult::InvalidArgument);
    EXPECT_EQ(o.engine.session->setVideoPosition(nullptr, nullptr), PresenterResult::InvalidPointer);
    // Keep-aspect on a surface of another shape letterboxes the picture.
    o.camera.surface->resize(320, 240);
    ASSERT_TRUE(o.engine.SetAspectMode(1));
    EXPECT_TRUE(o.engine.SetZoom(160, 120, 0, 0, 1.0f, true));
    EXPECT_EQ(o.engine.pictureRect(), (VideoRect{0, 0, 320, 240}));
    EXPECT_FALSE(o.engine.SetZoom(160, 120, 0, 0, 0.0f, true));
    EXPECT_TRUE(o.engine.ShowOverlayText(QString()));
    EXPECT_EQ(o.engine.ClearOverlayText(), 1);
}

TEST_F(Movies, OpenPlaySeekCloseLoops)
{
    Camera camera(QSize(320, 180));
    MovieEngine engine;
    ASSERT_TRUE(engine.Init(camera.window(), "Noto Sans CJK JP"));
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(engine.Open(at(kMainName)), kOpenOk) << i;
        // Some rounds close before the movie is ready, some while it plays.
        if (i % 3 != 0) {
            ASSERT_TRUE(waitFor([&] { return engine.ready(); })) << i;
            engine.Play();
            if (i % 2 == 0)
                settle(5);
            engine.SeekAndHold(i * 7 % 360);
            engine.Play();
        }
        ASSERT_EQ(engine.Close(), 1);
    }
    // And engines that are destroyed while their movie plays.
    for (int i = 0; i < 10; ++i) {
        OpenEngine o(at(kMainName));
        ASSERT_EQ(o.openResult, kOpenOk);
        o.engine.Play();
    }
    SUCCEED();
}

TEST_F(Movies, CliSnapshotOfEitherCamera)
{
    struct Case {
        const char* extra;
        int code;
        const char* line;
    };
    const Case cases[] = {{"", 300, "camera=main frame=300 width=320 height=180"},
                          {" --sub", 150, "camera=sub frame=150 width=320 height=180"}};
    for (const Case& c : cases) {
        const fs::path out = Movies::folder->path() / (std::string("cli") + (c.extra[0] ? "sub" : "main") + ".jpg");
        const std::string cmd = std::string(KIVORA_CLI_PATH) + " snapshot '" + at(kMainName).string() + "' 300 '" +
                                out.string() + "'" + c.extra;
        FILE* p = popen(cmd.c_str(), "r");
        ASSERT_NE(p, nullptr);
        char buf[512] = {};
        const std::string line = std::fgets(buf, sizeof buf, p) ? buf : "";
        EXPECT_EQ(pclose(p), 0) << cmd;
        EXPECT_NE(line.find(c.line), std::string::npos) << line;
        EXPECT_EQ(frameCode(QImage(QString::fromStdString(out.string()))), c.code) << cmd;
    }
    const std::string bad = std::string(KIVORA_CLI_PATH) + " snapshot '" + at("short30.MOV").string() + "' 3 '" +
                            (Movies::folder->path() / "x.jpg").string() + "' 2>/dev/null";
    EXPECT_NE(std::system(bad.c_str()), 0);
    EXPECT_FALSE(fs::exists(Movies::folder->path() / "x.jpg"));
}

TEST_F(Movies, TelemetryPreloadAndLoadWithoutDataFiles)
{
    MovieEngine main, sub;
    MoviePair pair(main, sub);
    EXPECT_FALSE(pair.PreloadTelemetry(at(kMainName))); // main engine not initialised
    ASSERT_TRUE(main.Init({}, "Noto Sans CJK JP"));
    ASSERT_TRUE(sub.Init({}, "Noto Sans CJK JP"));
    EXPECT_TRUE(pair.PreloadTelemetry({}));
    EXPECT_FALSE(pair.PreloadTelemetry(at(kMainName))); // no data file beside the movie
    // A recording without a data file plays without telemetry: the load itself succeeds.
    EXPECT_TRUE(pair.LoadTelemetryBoth(at(kMainName)));
    EXPECT_EQ(main.hasTelemetry(), true);
    EXPECT_EQ(sub.hasTelemetry(), true);
    EXPECT_TRUE(main.loadedTelemetry().gps.empty());
    EXPECT_TRUE(pair.ReleaseTelemetryBoth());
    EXPECT_EQ(main.hasTelemetry(), false);
    EXPECT_EQ(sub.hasTelemetry(), false);
}

namespace {
// A small grey picture of luma level y at time t (seconds), as the decoder hands them over.
DecodedFrame greyFrame(int y, double t, std::uint64_t generation)
{
    AVFramePtr f = makeFrame();
    f->width = 64;
    f->height = 32;
    f->format = AV_PIX_FMT_YUV420P;
    if (av_frame_get_buffer(f.get(), 0) < 0)
        return {};
    for (int row = 0; row < 32; ++row)
        std::memset(f->data[0] + row * f->linesize[0], y, 64);
    for (int p = 1; p <= 2; ++p)
        for (int row = 0; row < 16; ++row)
            std::memset(f->data[p] + row * f->linesize[p], 128, 32);
    return DecodedFrame{std::move(f), Time100ns(t * 1e7), 333'333, generation};
}
} // namespace

// Both surfaces taken, one on screen and one waiting in the scheduler for its time: a repaint
// shows the picture on screen again at once, and the waiting one follows when its time comes.
TEST(Presenter, RepaintWhileBothSurfacesAreTaken)
{
    FrameQueue queue(4);
    PresentationClock clock;
    EVRCustomPresenter presenter(queue, clock, {});
    std::mutex mutex;
    std::vector<int> shown; // grey level of every picture handed to the surface
    presenter.setOutput([&](const PresentedFrame& f) {
        std::lock_guard lock(mutex);
        shown.push_back(qGray(f.picture.image().pixel(10, 10)));
    });
    auto shownCopy = [&] {
        std::lock_guard lock(mutex);
        return shown;
    };
    ASSERT_EQ(presenter.setMediaType(64, 32, 30.0), PresenterResult::Ok);
    presenter.beginStreaming();
    queue.reset(1);
    presenter.flush(1);

    // Held: the first picture is shown at once.
    ASSERT_TRUE(queue.push(greyFrame(60, 0.0, 1)));
    presenter.processInputNotify();
    ASSERT_EQ(shownCopy().size(), 1u);
    const int first = shownCopy().front();

    // Running, with pictures far ahead of the clock: the free surface goes to the scheduler and the
    // next picture has none left.
    clock.setTime(0);
    clock.start();
    presenter.onClockStart(false);
    ASSERT_TRUE(queue.push(greyFrame(200, 10.0, 1)));
    ASSERT_TRUE(queue.push(greyFrame(120, 10.1, 1)));
    presenter.processInputNotify();
    EXPECT_TRUE(queue.hasInput());
    EXPECT_EQ(shownCopy().size(), 1u);

    EXPECT_EQ(presenter.repaint(), PresenterResult::Ok);
    ASSERT_EQ(shownCopy().size(), 2u);
    EXPECT_EQ(shownCopy().back(), first);
    EXPECT_EQ(qGray(presenter.currentImage().pixel(10, 10)), first);

    // When the clock reaches the waiting pictures they are shown in order.
    clock.setTime(Time100ns(10.05e7));
    presenter.onClockStart(false);
    ASSERT_TRUE(waitFor([&] { return shownCopy().size() == 4; }, 5000));
    const std::vector<int> all = shownCopy();
    EXPECT_GT(all[2], all[3]);
    EXPECT_GT(all[2], first);
    EXPECT_EQ(presenter.repaint(), PresenterResult::Ok);
    ASSERT_TRUE(waitFor([&] { return shownCopy().size() == 5; }, 5000));
    EXPECT_EQ(shownCopy().back(), all[3]);
    presenter.shutdown();
    EXPECT_EQ(presenter.repaint(), PresenterResult::Shutdown);
}
