// The main window's 30 ms playback clock under load (driven by bench/clock_tick.sh).
//
//   clock_tick CARD [SECONDS]
//
// Opens the card's first recording in the main window, plays it, and for SECONDS (default 10) of
// playback times on the UI thread:
//   - each clock tick's own work (the timer's handler: position read, clock rules, views update);
//   - the floor: a bare position read plus a repaint of the panel and the graph with nothing
//     changed, run by a timer of its own between the ticks, under the same decoding load;
//   - the longest gap between two tick starts, and the longest single event the UI thread
//     handled (any receiver), which show whether anything blocks the UI thread.
// Prints one line: "TICK_MEDIAN_US TICK_P99_US FLOOR_MEDIAN_US FLOOR_P99_US MAX_GAP_MS
// LONGEST_EVENT_MS TICKS TICK_CPU_P99_US SLEPT_TICKS PREEMPTED_TICKS PAINTS LOCKING_PAINTS"; details
// on stderr. LOCKING_PAINTS counts paint events during which MoviePair::LockBoth ran.
// TICK_CPU_P99 is the tick's own processor time, free of the waits for a core that make the wall
// time's tail on shared cores. A tick that slept made a voluntary context switch (a lock held
// elsewhere, a file read, or the raster engine waiting for its helper threads to finish a large
// drawImage); a preempted one lost its core to another thread.
//
// The tick is timed from outside the window: QApplication::notify sees every timer event, and
// the clock's is the 30 ms timer of the window's own timer table, so the window needs no hook.

#include "kivora/app/CkivoraDlg.h"
#include "kivora/app/TimerIds.h"
#include "kivora/platform/TimerTable.h"
#include "kivora/playback/MovieEngine.h"
#include "kivora/playback/MoviePair.h"
#include "kivora/views/CGSensorDlg.h"
#include "kivora/views/CInfoDlg.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTimerEvent>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double micros(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

// Processor time of the calling thread: a tick whose wall time is far above it waited (for a
// lock, or for a core the other processes held).
double threadCpuUs()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e6 + double(t.tv_nsec) / 1e3;
}

// The calling thread's voluntary and involuntary context switches so far. A voluntary one means
// the thread went to sleep: a lock held elsewhere, a file read, a wait for another thread.
std::pair<long, long> threadSwitches()
{
    rusage u {};
    getrusage(RUSAGE_THREAD, &u);
    return { u.ru_nvcsw, u.ru_nivcsw };
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(p * double(v.size() - 1) + 0.5))];
}

class TimingApp final : public QApplication {
public:
    using QApplication::QApplication;

    // The window whose clock is timed; null: nothing is recorded.
    const kivora::app::CkivoraDlg* timedWindow = nullptr;
    bool recording = false;
    std::vector<double> tickUs;
    std::vector<double> tickCpuUs;
    int sleptTicks = 0; // ticks in which the UI thread slept
    int preemptedTicks = 0; // ticks in which another process took the core
    std::vector<double> gapUs;
    double longestEventUs = 0.0;
    std::string longestEvent; // receiver class and event type, for the report on stderr
    // Paint events delivered, and those during which the engine locks were taken: MoviePair
    // counts every LockBoth, so a count that moved while a paint ran means that paint locked.
    int paints = 0;
    int lockingPaints = 0;

    bool notify(QObject* receiver, QEvent* event) override
    {
        // Nested events (sent from a handler) are part of their outer event's time.
        if (m_depth > 0 || !recording) {
            // Paints are mostly nested: the tick repaints the panel and the graph at once.
            const bool paint = recording && event->type() == QEvent::Paint;
            const std::uint64_t locks0 = paint ? kivora::playback::MoviePair::lockCount() : 0;
            ++m_depth;
            const bool r = QApplication::notify(receiver, event);
            --m_depth;
            if (paint) {
                ++paints;
                lockingPaints += kivora::playback::MoviePair::lockCount() != locks0;
            }
            return r;
        }
        const bool tick = isClockTick(receiver, event);
        const bool paint = event->type() == QEvent::Paint;
        const std::uint64_t locks0 = paint ? kivora::playback::MoviePair::lockCount() : 0;
        ++m_depth;
        const double c0 = tick ? threadCpuUs() : 0.0;
        const auto s0 = tick ? threadSwitches() : std::pair<long, long> {};
        const auto t0 = Clock::now();
        const bool r = QApplication::notify(receiver, event);
        const auto t1 = Clock::now();
        const double c1 = tick ? threadCpuUs() : 0.0;
        const auto s1 = tick ? threadSwitches() : std::pair<long, long> {};
        --m_depth;
        if (paint) {
            ++paints;
            lockingPaints += kivora::playback::MoviePair::lockCount() != locks0;
        }
        if (micros(t1 - t0) > longestEventUs) {
            longestEventUs = micros(t1 - t0);
            longestEvent = std::string(receiver->metaObject()->className()) + " event "
                + std::to_string(int(event->type())) + (tick ? " (clock tick)" : "");
        }
        if (tick) {
            tickUs.push_back(micros(t1 - t0));
            tickCpuUs.push_back(c1 - c0);
            sleptTicks += s1.first > s0.first;
            preemptedTicks += s1.second > s0.second;
            if (m_lastTick != Clock::time_point {})
                gapUs.push_back(micros(t0 - m_lastTick));
            m_lastTick = t0;
        }
        return r;
    }

private:
    bool isClockTick(QObject* receiver, QEvent* event)
    {
        if (event->type() != QEvent::Timer || !timedWindow)
            return false;
        // The window's timer table is a member of the window: its address lies inside it.
        const auto* at = reinterpret_cast<const char*>(receiver);
        const auto* begin = reinterpret_cast<const char*>(timedWindow);
        if (at < begin || at >= begin + sizeof(kivora::app::CkivoraDlg)
            || !dynamic_cast<kivora::platform::TimerTable*>(receiver))
            return false;
        const int id = static_cast<QTimerEvent*>(event)->timerId();
        if (id == m_clockTimer)
            return true;
        const auto* dispatcher = QAbstractEventDispatcher::instance();
        for (const auto& info : dispatcher->registeredTimers(receiver))
            if (info.timerId == id && info.interval == kivora::app::kClockMs) {
                m_clockTimer = id;
                return true;
            }
        return false;
    }

    int m_depth = 0;
    int m_clockTimer = -1;
    Clock::time_point m_lastTick;
};

bool runUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CARD [SECONDS]\n", argv[0]);
        return 2;
    }
    const fs::path card = fs::absolute(argv[1]);
    const double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
    TimingApp app(argc, argv);

    // The window keeps its settings in the working folder: give it a fresh one.
    QTemporaryDir work;
    if (!work.isValid())
        return 1;
    fs::current_path(work.path().toStdString());

    kivora::app::CkivoraDlg dlg(card);
    dlg.show();
    if (!runUntil([&] { return dlg.openSequence().opened() && dlg.clockRunning(); }, 60000)) {
        std::fprintf(stderr, "the recording did not open\n");
        return 1;
    }
    if (!dlg.play()) {
        std::fprintf(stderr, "playback did not start\n");
        return 1;
    }
    // Past the start-up of both decoders before timing.
    runUntil([&] { return dlg.shownFrameIndex() > 15; }, 10000);

    // The floor, between the ticks: what every tick has to do at least.
    std::vector<double> floorUs;
    std::vector<double> positionUs;
    QTimer floorTimer;
    floorTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&floorTimer, &QTimer::timeout, [&] {
        const auto t0 = Clock::now();
        volatile auto position = dlg.mainEngine().GetPosition();
        volatile auto duration = dlg.mainEngine().GetDuration();
        (void)position;
        (void)duration;
        positionUs.push_back(micros(Clock::now() - t0));
        dlg.infoPanel()->repaint();
        dlg.graph()->repaint();
        floorUs.push_back(micros(Clock::now() - t0));
    });
    floorTimer.start(97); // out of step with the clock, so that it seldom delays a tick

    const std::int64_t firstFrame = dlg.shownFrameIndex();
    app.timedWindow = &dlg;
    app.recording = true;
    QElapsedTimer wall;
    wall.start();
    runUntil([&] { return wall.elapsed() >= std::int64_t(seconds * 1000); }, int(seconds * 1000) + 5000);
    app.recording = false;
    floorTimer.stop();
    const std::int64_t lastFrame = dlg.shownFrameIndex();
    dlg.pause();

    if (app.tickUs.size() < 10) {
        std::fprintf(stderr, "only %zu ticks were seen\n", app.tickUs.size());
        return 1;
    }
    const double maxGapUs = app.gapUs.empty() ? 0.0 : *std::max_element(app.gapUs.begin(), app.gapUs.end());
    std::fprintf(stderr,
        "frames %lld..%lld in %.1f s; %zu ticks, gap median %.0f us; tick max %.0f us; longest event: %s\n",
        static_cast<long long>(firstFrame), static_cast<long long>(lastFrame),
        double(wall.elapsed()) / 1000.0, app.tickUs.size(), percentile(app.gapUs, 0.5),
        *std::max_element(app.tickUs.begin(), app.tickUs.end()), app.longestEvent.c_str());
    std::fprintf(stderr,
        "tick processor time median %.0f us, p99 %.0f us; position read median %.0f us, p99 %.0f us, max "
        "%.0f us\n",
        percentile(app.tickCpuUs, 0.5), percentile(app.tickCpuUs, 0.99), percentile(positionUs, 0.5),
        percentile(positionUs, 0.99),
        positionUs.empty() ? 0.0 : *std::max_element(positionUs.begin(), positionUs.end()));
    std::fprintf(stderr, "paints %d, of which took the engine locks: %d\n", app.paints, app.lockingPaints);
    std::printf("%.0f %.0f %.0f %.0f %.1f %.1f %zu %.0f %d %d %d %d\n", percentile(app.tickUs, 0.5),
        percentile(app.tickUs, 0.99), percentile(floorUs, 0.5), percentile(floorUs, 0.99), maxGapUs / 1000.0,
        app.longestEventUs / 1000.0, app.tickUs.size(), percentile(app.tickCpuUs, 0.99), app.sleptTicks,
        app.preemptedTicks, app.paints, app.lockingPaints);
    return 0;
}
