// The map's own cost during x1 playback: the map window on a generated recording's track, its
// position moved every 30 ms clock step as playback moves it, against the same clock without a
// map. Processor time counts this process and every process it started (the web engine's).
// Usage: bench_map_cpu MOVIE SECONDS map|off
// KIVORA_MAP_SHOT=file.png keeps a picture of the map at the end.
// Prints: processor-seconds video-seconds web-engine-PSS-KiB own-RSS-KiB
#include "kivora/map/CGoogleMapDlgWrap.h"
#include "kivora/map/IMapTrackSource.h"
#include "kivora/map/MapFactory.h"
#include "kivora/platform/MessageIds.h"
#include "kivora/platform/MessageTable.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/recording/TelemetryReader.h"
#include "kivora/views/EventList.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

using namespace kivora;

namespace {

class ReaderTracks final : public map::IMapTrackSource {
public:
    explicit ReaderTracks(const recording::TelemetryReader& reader)
        : m_reader(reader)
    {
    }
    std::vector<recording::GpsSample> groupTrack() override { return m_reader.gps; }
    std::optional<std::vector<recording::GpsSample>> currentTrack() override { return m_reader.gps; }
    std::optional<std::pair<double, double>> positionAt(std::int64_t frame) override
    {
        const recording::TelemetrySample s = m_reader.sampleAtFrame(frame);
        if (!s.gps)
            return std::nullopt;
        return std::pair { s.gps->latitude, s.gps->longitude };
    }
    std::int64_t lastFrame() override { return static_cast<std::int64_t>(m_reader.frameIndex.size()) - 1; }

private:
    const recording::TelemetryReader& m_reader;
};

// utime + stime of a process, in clock ticks; its parent in *ppid.
long long processTicks(const QString& pid, long long* ppid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = file.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    *ppid = fields[1].toLongLong();
    return fields[11].toLongLong() + fields[12].toLongLong();
}

// This process and its descendants, with their processor ticks.
std::map<long long, long long> treeTicks()
{
    std::map<long long, long long> parent;
    std::map<long long, long long> ticks;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const long long pid = entry.toLongLong(&number);
        long long ppid = 0;
        if (!number)
            continue;
        const long long t = processTicks(entry, &ppid);
        if (t >= 0) {
            parent[pid] = ppid;
            ticks[pid] = t;
        }
    }
    std::map<long long, long long> tree;
    const long long self = ::getpid();
    for (const auto& [pid, t] : ticks) {
        for (long long p = pid; p > 1; p = parent.count(p) ? parent[p] : 0) {
            if (p == self) {
                tree[pid] = t;
                break;
            }
        }
    }
    return tree;
}

long long kib(const QString& path, const QByteArray& key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_map_cpu MOVIE SECONDS map|off\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --disable-gpu-compositing", 0);
    map::prepareWebEngine();
    QApplication app(argc, argv);
    const std::filesystem::path movie = argv[1];
    const double seconds = std::atof(argv[2]);
    const bool withMap = std::string(argv[3]) == "map";

    recording::TelemetryReader reader;
    if (!recording::Load(reader, recording::DataPath(movie)) || reader.gps.empty()) {
        std::fprintf(stderr, "no telemetry with GPS beside %s\n", movie.c_str());
        return 1;
    }
    const float msPerFrame = 1000.0f / 30.0f;
    recording::BuildFrameIndex(reader, static_cast<std::int64_t>(reader.gps.size() * 3), msPerFrame);
    ReaderTracks tracks(reader);

    QObject mainWindow;
    platform::MessageTable messages(&mainWindow);
    bool ready = false;
    messages.on(platform::kMsgMapReady, [&](platform::WParam, platform::LParam) { ready = true; });
    messages.ignore(platform::kMsgMapCrashPointClicked);

    QTemporaryDir folder;
    QWidget window;
    window.resize(480, 360);
    std::unique_ptr<map::IMapView> view;
    std::vector<views::EventEntry> events;
    if (withMap) {
        view = map::createMapView(messages.target(), tracks,
            (folder.path() + "/Default_Folder.ini").toStdString(), folder.path() + "/cache");
        window.show();
        view->SetMapParent(&window);
        view->setMapGeometry(QRect(0, 0, 480, 360));
        view->ShowMap(true, false);
        QElapsedTimer wait;
        wait.start();
        while (!ready && wait.elapsed() < 30000)
            app.processEvents(QEventLoop::AllEvents, 50);
        if (!ready) {
            std::fprintf(stderr, "the map page never became ready\n");
            return 1;
        }
        events = views::buildEventList(&reader, views::EventChannels());
        view->SendCrashPoints(events, 0, true);
        view->SetMapStatus(0);
    }
    // Settle, then measure.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 2000)
        app.processEvents(QEventLoop::AllEvents, 50);

    const auto before = treeTicks();
    QElapsedTimer clock;
    clock.start();
    // Not the application's loop: quitting that closes the windows.
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(30);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const auto frame = static_cast<std::int64_t>(clock.elapsed() / msPerFrame);
        if (view)
            view->setCurrentFrame(frame);
        if (clock.elapsed() >= seconds * 1000)
            loop.quit();
    });
    tick.start();
    loop.exec();
    const double video = clock.elapsed() / 1000.0;
    const auto after = treeTicks();

    long long ticks = 0;
    long long enginePss = 0;
    for (const auto& [pid, t] : after) {
        ticks += t - (before.count(pid) ? before.at(pid) : 0);
        if (pid != ::getpid())
            enginePss += kib(QStringLiteral("/proc/%1/smaps_rollup").arg(pid), "Pss:");
    }
    if (view && qEnvironmentVariableIsSet("KIVORA_MAP_SHOT")) {
        auto* wrap = static_cast<map::CGoogleMapDlgWrap*>(view.get());
        wrap->mapWindow()->grab().save(qEnvironmentVariable("KIVORA_MAP_SHOT"));
    }
    const long long ownRss = kib(QStringLiteral("/proc/self/status"), "VmRSS:");
    std::printf(
        "%.3f %.3f %lld %lld\n", double(ticks) / double(sysconf(_SC_CLK_TCK)), video, enginePss, ownRss);
    return 0;
}
