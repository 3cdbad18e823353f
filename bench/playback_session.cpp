// Playback benchmarks over the real engines (driven by bench/playback_*.sh). Every mode prints one
// line of figures on stdout; details go to stderr.
//
//   decode MOVIE             every picture decoded and presented to a shown surface, which paints
//                            what it can, nothing waiting on the clock (the session runs its clock
//                            at rate 0) → "SECONDS FRAMES"
//   realtime MOVIE SECONDS   x1 playback of the camera pair for SECONDS of wall time
//                            → "DROPPED DUE CPU_SECONDS VIDEO_SECONDS"
//   pip MOVIE SECONDS ON     the same with the sub camera drawn into a quarter-width surface, shown
//                            (ON 1, as the rear picture-in-picture) or hidden (0) → "DROPPED DUE
//                            CPU_SECONDS VIDEO_SECONDS SUB_SHOWN"
//   seek MOVIE COUNT         COUNT frame-exact seeks to random frames, each timed until the
//                            surface shows that frame, next to a plain decode of the same frames
//                            from the key frame before → "MEDIAN_MS P95_MS FLOOR_MEDIAN_MS FLOOR_P95_MS"
//   fast MOVIE SECONDS       x4 playback for SECONDS of wall time → "ERROR_MS_PER_VIDEO_S FRAME_MS
//                            SHOWN_PER_S KEY_ONLY_PER_S": the clock's error against a frame period,
//                            and the pictures presented per wall second against what showing only
//                            the movie's key frames would give at x4

#include "kivora/platform/MessageTable.h"
#include "kivora/playback/CPlayer.h"
#include "kivora/playback/MovieMessages.h"
#include "kivora/playback/MoviePair.h"
#include "kivora/playback/VideoSurface.h"
#include "tests/support/CameraFixture.h"
#include "tools/democard/FrameCode.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

using namespace kivora::playback;
using kivora::playback::test::Camera;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// The main camera's surface, as large as in the main window at its design size.
constexpr QSize kSurfaceSize(960, 540);

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The frame code in the band at the top of a generated picture.
int frameCode(const QImage& picture)
{
    if (picture.isNull())
        return -1;
    const QImage band = picture.copy(0, 0, std::min(picture.width(), 320), kivora::democard::kCodeBandHeight)
                            .convertToFormat(QImage::Format_RGB888);
    return kivora::democard::readFrameCode(band.constBits(), band.width(), band.height(), int(band.bytesPerLine()));
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[std::min(v.size() - 1, std::size_t(p * double(v.size() - 1) + 0.5))];
}

// Runs the UI thread's events until pred holds or limitMs pass. It sleeps between events, so
// that it takes no processor time from the engines it watches.
template <class Pred>
bool spin(Pred pred, int limitMs)
{
    QTimer tick;
    tick.start(5);
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

int decodeMode(const char* movie)
{
    std::mutex mutex;
    long frames = 0;
    bool ready = false, ended = false;
    Clock::time_point last;
    VideoSurface surface;
    surface.resize(kSurfaceSize);
    surface.show();
    const auto t0 = Clock::now();
    CPlayer session(
        [&](unsigned msg) {
            std::lock_guard lock(mutex);
            (msg == WM_MOVIE_READY ? ready : ended) = true;
        },
        [&, toSurface = surface.output()](const PresentedFrame& frame) {
            {
                std::lock_guard lock(mutex);
                ++frames;
                last = Clock::now();
            }
            toSurface(frame);
        });
    if (session.openUrl(movie) != MediaError::None) {
        std::fprintf(stderr, "cannot open %s\n", movie);
        return 1;
    }
    spin(
        [&] {
            std::lock_guard lock(mutex);
            return ready;
        },
        20000);
    // Rate 0 with a running clock: every picture is presented as soon as it is decoded.
    session.setRate(0.0f, false);
    session.play();
    spin(
        [&] {
            std::lock_guard lock(mutex);
            return ended;
        },
        600000);
    std::lock_guard lock(mutex);
    std::printf("%.3f %ld\n", seconds(last - t0), frames);
    return frames > 0 ? 0 : 1;
}

// pip: -1 no sub surface, 0 a hidden one, 1 a shown one (the rear picture-in-picture).
int realtimeMode(const char* movie, double wallSeconds, int pip = -1)
{
    Camera mainCamera(kSurfaceSize), subCamera(pip < 0 ? QSize() : kSurfaceSize / 4);
    mainCamera.surface->show();
    if (pip > 0)
        subCamera.surface->show();
    MovieEngine main, sub;
    MoviePair pair(main, sub);
    main.Init(mainCamera.window(), "Noto Sans CJK JP");
    sub.Init(subCamera.window(), "Noto Sans CJK JP");
    if (pair.OpenBoth(movie) != 1 || pair.subOpenResult != 1 ||
        !spin([&] { return mainCamera.ready == 1 && subCamera.ready == 1; }, 20000)) {
        std::fprintf(stderr, "cannot open the pair of %s\n", movie);
        return 1;
    }
    pair.SeekBoth(0);
    spin([&] { return mainCamera.surface->framesShown() > 0; }, 20000);
    const int shown0 = mainCamera.surface->framesShown();
    const int subShown0 = subCamera.surface ? subCamera.surface->framesShown() : 0;
    const double cpu0 = cpuSeconds();
    const auto t0 = Clock::now();
    pair.PlayBoth();
    spin([&] { return seconds(Clock::now() - t0) >= wallSeconds || mainCamera.ended > 0; },
         int(wallSeconds * 1000) + 5000);
    const double cpu = cpuSeconds() - cpu0;
    pair.PauseBoth();
    const int position = main.GetPosition();
    // Pictures handed to the surface before the pause are still on their way to it.
    const auto paused = Clock::now();
    spin([&] { return seconds(Clock::now() - paused) > 0.3; }, 1000);
    const int shown = mainCamera.surface->framesShown() - shown0;
    // Frames 1 .. position came due while playing (frame 0 was on the surface before).
    const int due = position;
    const double video = double(position) * double(main.GetFramePeriod()) / 1000.0;
    std::fprintf(stderr, "position=%d shown=%d sub-position=%d cpu=%.3f\n", position, shown, sub.GetPosition(), cpu);
    if (pip >= 0)
        std::printf("%d %d %.3f %.3f %d\n", std::max(0, due - shown), due, cpu, video,
                    subCamera.surface->framesShown() - subShown0);
    else
        std::printf("%d %d %.3f %.3f\n", std::max(0, due - shown), due, cpu, video);
    pair.CloseBoth();
    return 0;
}

// The plain decode of frame k from the key frame before it, with the same decoder settings as the
// session: the floor of a frame-exact seek.
class FloorDecoder {
public:
    bool open(const char* movie) { return MediaSource::open(movie, false, m_source) == MediaError::None; }

    double decodeMs(int frame, double fps)
    {
        const auto t0 = Clock::now();
        const Time100ns t = Time100ns(double(frame) * 10'000'000.0 / fps);
        const int vs = m_source.videoStream;
        av_seek_frame(m_source.format.get(), vs, m_source.fromTime(vs, t), AVSEEK_FLAG_BACKWARD);
        avcodec_flush_buffers(m_source.video.get());
        AVPacketPtr packet = makePacket();
        AVFramePtr picture = makeFrame();
        const Time100ns half = Time100ns(5'000'000.0 / fps);
        auto sink = [&](AVFrame* f) {
            const Time100ns pts = m_source.toTime(vs, f->best_effort_timestamp);
            av_frame_unref(f);
            return pts + half <= t;
        };
        MediaError error = MediaError::None;
        while (toMediaError(av_read_frame(m_source.format.get(), packet.get())) == MediaError::None) {
            const PacketResult r =
                packet->stream_index == vs
                    ? decodePacket(m_source.video.get(), packet.get(), picture.get(), sink, error)
                    : PacketResult::Done;
            av_packet_unref(packet.get());
            if (r != PacketResult::Done)
                return seconds(Clock::now() - t0) * 1000.0;
        }
        decodePacket(m_source.video.get(), nullptr, picture.get(), sink, error);
        return seconds(Clock::now() - t0) * 1000.0;
    }

private:
    MediaSource m_source;
};

// Shows camera's surface, opens movie in engine drawn into it, and waits until it is ready.
bool openReady(Camera& camera, MovieEngine& engine, const char* movie)
{
    camera.surface->show();
    engine.Init(camera.window(), "Noto Sans CJK JP");
    if (engine.Open(movie) == 1 && spin([&] { return camera.ready == 1; }, 20000))
        return true;
    std::fprintf(stderr, "cannot open %s\n", movie);
    return false;
}

int seekMode(const char* movie, int count)
{
    Camera camera(kSurfaceSize);
    MovieEngine engine;
    if (!openReady(camera, engine, movie))
        return 1;
    const int frames = int(engine.GetDuration());
    const double fps = 1000.0 / double(engine.GetFramePeriod());
    std::mt19937 random(1);
    std::uniform_int_distribution<int> pick(0, frames - 1);
    std::vector<int> targets(static_cast<std::size_t>(count));
    for (int& k : targets)
        k = pick(random);

    // Each seek is followed by the plain decode of the same frame, so that both meet the same
    // load on the machine.
    FloorDecoder plain;
    if (!plain.open(movie))
        return 1;
    std::vector<double> ours, floor;
    int wrong = 0;
    for (int k : targets) {
        const int before = camera.surface->framesShown();
        VideoPicture checked;
        double ms = -1.0;
        const auto t0 = Clock::now();
        engine.SeekAndHold(k);
        // The surface may repaint the old picture once before the new one arrives. A picture is
        // timed when it reaches the surface; reading its frame code is not part of the seek.
        spin(
            [&] {
                const VideoPicture& shown = camera.surface->frame().picture;
                if (camera.surface->framesShown() <= before || shown == checked)
                    return false;
                const auto arrived = Clock::now();
                checked = shown;
                if (frameCode(shown.image()) != k)
                    return false;
                ms = seconds(arrived - t0) * 1000.0;
                return true;
            },
            10000);
        if (ms < 0.0) {
            ++wrong;
            ms = seconds(Clock::now() - t0) * 1000.0;
        }
        ours.push_back(ms);
        floor.push_back(plain.decodeMs(k, fps));
    }
    std::fprintf(stderr, "seeks=%d wrong-frame=%d\n", count, wrong);
    std::printf("%.2f %.2f %.2f %.2f\n", percentile(ours, 0.5), percentile(ours, 0.95), percentile(floor, 0.5),
                percentile(floor, 0.95));
    return wrong == 0 ? 0 : 1;
}

// Key frames per second of video: showing only them at x4 is the floor of fast playback.
double keyFramesPerSecond(const char* movie)
{
    MediaSource source;
    if (MediaSource::open(movie, false, source) != MediaError::None || source.duration <= 0)
        return 0.0;
    AVPacketPtr packet = makePacket();
    long keys = 0;
    while (toMediaError(av_read_frame(source.format.get(), packet.get())) == MediaError::None) {
        if (packet->stream_index == source.videoStream && (packet->flags & AV_PKT_FLAG_KEY) != 0)
            ++keys;
        av_packet_unref(packet.get());
    }
    return double(keys) / (double(source.duration) / 1e7);
}

int fastMode(const char* movie, double wallSeconds)
{
    Camera camera(kSurfaceSize);
    MovieEngine engine;
    if (!openReady(camera, engine, movie))
        return 1;
    engine.SeekAndHold(0);
    spin([&] { return camera.surface->framesShown() > 0; }, 20000);
    engine.SetRate(kRateQuadruple);
    Time100ns c0 = 0;
    engine.session->clockTime(c0);
    const int shown0 = camera.surface->framesShown();
    const auto t0 = Clock::now();
    engine.Play();
    // The clock against four times the wall clock, and the picture against the clock.
    double worst = 0.0, worstLag = 0.0;
    spin(
        [&] {
            const double wall = seconds(Clock::now() - t0);
            Time100ns c = 0;
            engine.session->clockTime(c);
            const double video = double(c - c0) / 1e7;
            if (video > 0.5)
                worst = std::max(worst, std::abs(video - 4.0 * wall) / video);
            const int code = frameCode(camera.surface->frame().picture.image());
            if (code >= 0)
                worstLag =
                    std::max(worstLag, double(c) / 1e7 - double(code) * double(engine.GetFramePeriod()) / 1000.0);
            return wall >= wallSeconds || camera.ended > 0;
        },
        int(wallSeconds * 1000) + 5000);
    const double wall = seconds(Clock::now() - t0);
    const double shownPerSecond = double(camera.surface->framesShown() - shown0) / wall;
    const double keyOnlyPerSecond = 4.0 * keyFramesPerSecond(movie);
    std::fprintf(stderr, "position=%d picture-lag-max=%.3fs shown=%.1f/s key-only=%.1f/s due=%.1f/s\n",
                 engine.GetPosition(), worstLag, shownPerSecond, keyOnlyPerSecond,
                 4000.0 / double(engine.GetFramePeriod()));
    std::printf("%.3f %.3f %.1f %.1f\n", worst * 1000.0, double(engine.GetFramePeriod()), shownPerSecond,
                keyOnlyPerSecond);
    engine.Close();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::string mode = argc > 1 ? argv[1] : "";
    QApplication app(argc, argv);
    if (mode == "decode" && argc == 3)
        return decodeMode(argv[2]);
    if (mode == "realtime" && argc == 4)
        return realtimeMode(argv[2], std::atof(argv[3]));
    if (mode == "pip" && argc == 5)
        return realtimeMode(argv[2], std::atof(argv[3]), std::atoi(argv[4]) != 0 ? 1 : 0);
    if (mode == "seek" && argc == 4)
        return seekMode(argv[2], std::atoi(argv[3]));
    if (mode == "fast" && argc == 4)
        return fastMode(argv[2], std::atof(argv[3]));
    std::fputs("usage: bench_playback_session decode MOVIE | realtime MOVIE SECONDS | pip MOVIE SECONDS ON | seek MOVIE COUNT | "
               "fast MOVIE SECONDS\n",
               stderr);
    return 2;
}
