// The real page in a web view, driven through the wrapper with test tracks and a local tile server.
#include "TileServer.h"

#include "MapEvents.h"
#include "kivora/map/CGoogleMapDlgWrap.h"
#include "kivora/map/IMapTrackSource.h"
#include "kivora/map/MapMessages.h"
#include "kivora/platform/MessageTable.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/TempFolder.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWebEnginePage>

#include <gtest/gtest.h>

#include <memory>

#include <cmath>
#include <signal.h>

using namespace kivora;
using namespace kivora::map;

using namespace maptest;

namespace {

class TestTracks final : public IMapTrackSource {
public:
    std::optional<std::vector<recording::GpsSample>> group = std::vector<recording::GpsSample> {};
    std::optional<std::vector<recording::GpsSample>> current;
    std::int64_t last = 1209;
    std::function<void()> ready;

    std::optional<std::vector<recording::GpsSample>> groupTrack() override { return group; }
    void onGroupTrackReady(std::function<void()> f) override { ready = std::move(f); }
    std::optional<std::vector<recording::GpsSample>> currentTrack() override { return current; }
    std::optional<std::pair<double, double>> positionAt(std::int64_t) override
    {
        return std::pair { 35.5, 139.25 };
    }
    std::int64_t lastFrame() override { return last; }
};

// The main window's side of the map: the messages it receives.
class Receiver {
public:
    Receiver()
        : m_table(&m_object)
    {
        m_table.on(kMsgMapReady, [this](platform::WParam, platform::LParam) { ++ready; });
        m_table.on(kMsgMapCrashPointClicked,
            [this](platform::WParam, platform::LParam frame) { seeks.push_back(frame); });
    }
    platform::MessageTarget target() const { return m_table.target(); }

    int ready = 0;
    std::vector<std::int64_t> seeks;

private:
    QObject m_object;
    platform::MessageTable m_table;
};

class MapPage : public ::testing::Test {
protected:
    // tileUrl empty: no TILE_URL in the settings file.
    void open(const QString& tileUrl, const QString& attribution = {})
    {
        std::string ini = "[MAP]\n";
        if (!tileUrl.isEmpty())
            ini += "TILE_URL=" + tileUrl.toStdString() + "\n";
        if (!attribution.isEmpty())
            ini += "TILE_ATTRIBUTION=" + attribution.toStdString() + "\n";
        writeText(m_folder / "Default_Folder.ini", ini);
        CGoogleMapDlgWrap::Parts parts;
        parts.mainWindow = m_receiver.target();
        parts.tracks = &m_tracks;
        parts.settingsFile = m_folder / "Default_Folder.ini";
        parts.cacheFolder = QString::fromStdString((m_folder / "cache").string());
        m_map = std::make_unique<CGoogleMapDlgWrap>(std::move(parts));
        m_parent.resize(800, 600);
        m_parent.show();
        m_map->SetMapParent(&m_parent);
        m_map->setMapGeometry(QRect(0, 0, 800, 600));
        m_map->ShowMap(true);
        ASSERT_TRUE(processEventsUntil([&] { return m_receiver.ready > 0; }, 30000))
            << "the page never became ready";
        EXPECT_TRUE(m_map->pageReady());
        EXPECT_TRUE(m_map->htmlReady());
    }

    void TearDown() override
    {
        if (m_map) {
            const QJsonObject s = state();
            EXPECT_EQ(s.value("errors").toArray(), QJsonArray {}) << "script errors on the page";
        }
    }

    QJsonObject state()
    {
        auto result = std::make_shared<std::optional<QString>>();
        m_map->mapWindow()->page()->runJavaScript(QStringLiteral("JSON.stringify(kivoraMap.state())"),
            [result](const QVariant& v) { *result = v.toString(); });
        processEventsUntil([&] { return result->has_value(); }, 10000);
        return QJsonDocument::fromJson(result->value_or(QString()).toUtf8()).object();
    }

    void runScript(const QString& script) { m_map->ExecScript(script); }

    // Waits until the page's state satisfies done.
    bool waitFor(const std::function<bool(const QJsonObject&)>& done, int timeoutMs = 10000)
    {
        QJsonObject last;
        return processEventsUntil(
            [&] {
                last = state();
                return done(last);
            },
            timeoutMs);
    }

    static std::vector<std::pair<double, double>> points(const QJsonValue& line)
    {
        std::vector<std::pair<double, double>> out;
        for (const QJsonValue p : line.toObject().value("points").toArray())
            out.emplace_back(p.toArray().at(0).toDouble(), p.toArray().at(1).toDouble());
        return out;
    }

    TempFolder m_folder;
    TestTracks m_tracks;
    Receiver m_receiver;
    QWidget m_parent;
    std::unique_ptr<CGoogleMapDlgWrap> m_map;
};

// Two pieces: frames 0..60 and, after a jump of 0.002°, 90..150.
std::vector<recording::GpsSample> twoPieceTrack()
{
    return { fix(35.0000, 139.0, 0), fix(35.0005, 139.0, 30), fix(35.0010, 139.0, 60),
        fix(35.0030, 139.0, 90), fix(35.0035, 139.0, 120), fix(35.0040, 139.0, 150) };
}

} // namespace

TEST_F(MapPage, TracksSplitAtThePositionWithMarkerAndIcons)
{
    m_tracks.group = { fix(34.9990, 139.0, 0), fix(34.9995, 139.0, 100), fix(35.0000, 139.0, 200) };
    m_tracks.current = twoPieceTrack();
    open({});
    m_map->setCurrentFrame(130);
    Events events;
    events.add(1, 40, std::pair { 35.0005, 139.0 });
    events.add(8, 120, std::pair { 35.0035, 139.0 });
    events.add(5, 130, std::pair { 0.0, 0.0 });
    EXPECT_EQ(m_map->SendCrashPoints(events.list, 3, true), 1);

    ASSERT_TRUE(waitFor([](const QJsonObject& s) {
        return s.value("crash").toArray().size() == 2 && s.value("grpline").toArray().size() == 1
            && s.value("schline").toArray().size() == 1;
    })) << QJsonDocument(state()).toJson().toStdString();
    const QJsonObject s = state();

    const QJsonObject group = s.value("grpline").toArray().at(0).toObject();
    EXPECT_EQ(group.value("color").toString(), "#FF0000");
    EXPECT_DOUBLE_EQ(group.value("opacity").toDouble(), 0.5);
    EXPECT_EQ(group.value("z").toInt(), 1);
    EXPECT_EQ(points(group).size(), 3u);

    // Frame 130 rests on point 4 (frame 120): the first piece driven, the second split there.
    const QJsonArray hist = s.value("histline").toArray();
    const QJsonArray sch = s.value("schline").toArray();
    ASSERT_EQ(hist.size(), 2);
    EXPECT_EQ(points(hist.at(0)).size(), 3u); // whole piece, its last point included
    EXPECT_EQ(points(hist.at(1)),
        (std::vector<std::pair<double, double>> { { 35.0030, 139.0 }, { 35.0035, 139.0 } }));
    ASSERT_EQ(sch.size(), 1);
    EXPECT_EQ(points(sch.at(0)),
        (std::vector<std::pair<double, double>> { { 35.0035, 139.0 }, { 35.0040, 139.0 } }));
    for (const QJsonValue line : hist) {
        EXPECT_EQ(line.toObject().value("color").toString(), "#0000FF");
        EXPECT_DOUBLE_EQ(line.toObject().value("opacity").toDouble(), 1.0);
        EXPECT_EQ(line.toObject().value("z").toInt(), 2);
        EXPECT_EQ(line.toObject().value("weight").toInt(), 3);
    }
    EXPECT_EQ(sch.at(0).toObject().value("color").toString(), "#FF0000");
    EXPECT_DOUBLE_EQ(sch.at(0).toObject().value("opacity").toDouble(), 0.9);
    // No line across the jump.
    EXPECT_DOUBLE_EQ(points(hist.at(0)).back().first, 35.0010);

    const QJsonArray marker = s.value("marker").toArray();
    EXPECT_DOUBLE_EQ(marker.at(0).toDouble(), 35.0035);
    EXPECT_DOUBLE_EQ(marker.at(1).toDouble(), 139.0);

    // Sent from the last event to the first; the 0,0 one never.
    const QJsonArray crash = s.value("crash").toArray();
    EXPECT_EQ(crash.at(0).toObject().value("icon").toString(), "qrc:/skin/221.png");
    EXPECT_EQ(crash.at(0).toObject().value("shadow").toString(), "qrc:/skin/186.png");
    EXPECT_EQ(crash.at(0).toObject().value("anchor").toArray(), (QJsonArray { 16, 32 }));
    EXPECT_EQ(crash.at(1).toObject().value("icon").toString(), "qrc:/skin/183.png");
    EXPECT_EQ(crash.at(1).toObject().value("ipos").toInt(), 40);
}

TEST_F(MapPage, GroupTrackStillBeingReadIsDrawnOnceReady)
{
    m_tracks.group.reset();
    m_tracks.current = twoPieceTrack();
    open({});
    EXPECT_EQ(m_map->SendCrashPoints({}, 0, true), 1);
    // The page's calls are answered in order: the current track drawn means the group was asked.
    ASSERT_TRUE(waitFor([](const QJsonObject& s) { return !s.value("schline").toArray().isEmpty(); }));
    EXPECT_TRUE(state().value("grpline").toArray().isEmpty());

    m_tracks.group = { fix(34.9990, 139.0, 0), fix(34.9995, 139.0, 100), fix(35.0000, 139.0, 200) };
    ASSERT_TRUE(m_tracks.ready);
    m_tracks.ready();
    ASSERT_TRUE(waitFor([](const QJsonObject& s) { return s.value("grpline").toArray().size() == 1; }));
    EXPECT_EQ(points(state().value("grpline").toArray().at(0)).size(), 3u);
}

TEST_F(MapPage, PositionBeforeAndAfterTheTrack)
{
    m_tracks.current = twoPieceTrack();
    open({});
    struct Case {
        std::int64_t frame;
        int blue;
        int red;
        std::pair<double, double> marker;
    };
    for (const Case& c : { Case { 0, 0, 2, { 35.0, 139.0 } }, Case { 5000, 2, 0, { 35.0040, 139.0 } } }) {
        SCOPED_TRACE(c.frame);
        m_map->setCurrentFrame(c.frame);
        m_map->SendCrashPoints({}, 0, false);
        ASSERT_TRUE(waitFor([&](const QJsonObject& s) {
            const QJsonArray m = s.value("marker").toArray();
            return s.value("histline").toArray().size() == c.blue
                && s.value("schline").toArray().size() == c.red && m.at(0).toDouble() == c.marker.first;
        })) << QJsonDocument(state()).toJson().toStdString();
    }
}

TEST_F(MapPage, PauseAndStopStopFollowingInAnyCase)
{
    m_tracks.current = twoPieceTrack();
    open({});
    m_map->setCurrentFrame(130);
    m_map->SendCrashPoints({}, 0, false);
    ASSERT_TRUE(waitFor(
        [](const QJsonObject& s) { return s.value("marker").toArray().at(0).toDouble() == 35.0035; }));

    // The page copies the status from the update message it asks for every second.
    m_map->SetMapStatus(1);
    ASSERT_TRUE(waitFor([](const QJsonObject& s) { return s.value("status").toString() == "pause"; }, 5000));
    // The host only says "pause"; the page takes any case.
    runScript(QStringLiteral("sample.webMessage.disconnect(onHostMessage);"
                             "document.getElementById('map_status').value = 'PaUsE'"));
    m_map->setCurrentFrame(0);
    processEventsUntil([] { return false; }, 2500);
    EXPECT_DOUBLE_EQ(state().value("marker").toArray().at(0).toDouble(), 35.0035);

    // "stop" moves the marker once, to where playback stopped.
    m_map->SetMapStatus(2);
    ASSERT_TRUE(
        waitFor([](const QJsonObject& s) { return s.value("marker").toArray().at(0).toDouble() == 35.0; }));
}

TEST_F(MapPage, ClickingAnIconSeeksToTheClampedFrame)
{
    m_tracks.current
        = { fix(-33.8600, -70.6500, 0), fix(-33.8605, -70.6500, 600), fix(-33.8610, -70.6500, 1200) };
    m_tracks.last = 1209;
    open({});
    Events events;
    events.add(6, 1200, std::pair { -33.8610, -70.6500 }); // southern and western: still clickable
    events.add(1, 600, std::pair { -33.8605, -70.6500 });
    m_map->SendCrashPoints(events.list, 0, false);
    ASSERT_TRUE(waitFor([](const QJsonObject& s) { return s.value("crash").toArray().size() == 2; }));
    // Frames the page might send from outside the movie.
    runScript(QStringLiteral("cplist.AddCrashPos(1,0,0,0,0,0,99999,-33.86,-70.64,1,0,0);"
                             "cplist.AddCrashPos(1,0,0,0,0,0,-50,-33.87,-70.64,1,0,0)"));
    ASSERT_TRUE(waitFor([](const QJsonObject& s) { return s.value("crash").toArray().size() == 4; }));

    m_map->setCurrentFrame(1190);
    for (int i = 0; i < 4; ++i)
        runScript(QStringLiteral("kivoraMap.clickCrashPoint(%1)").arg(i));
    ASSERT_TRUE(processEventsUntil([&] { return m_receiver.seeks.size() == 4; }));
    EXPECT_EQ(m_receiver.seeks, (std::vector<std::int64_t> { 600, 1200, 1209, 0 }));
    // The marker follows to the reported position after the click, in this hemisphere too.
    ASSERT_TRUE(waitFor(
        [](const QJsonObject& s) { return s.value("marker").toArray().at(0).toDouble() == -33.8605; }));
}

TEST_F(MapPage, BadTracksDrawOnlyWhatIsValid)
{
    open({});
    struct Case {
        const char* name;
        std::optional<std::vector<recording::GpsSample>> current;
        int pieces; // lines drawn in all
    };
    std::vector<recording::GpsSample> many;
    for (int i = 0; i < 5000; ++i)
        many.push_back(fix(35.0 + i * 0.0001, 139.0, i));
    const std::vector<Case> cases = {
        { "no fix", std::vector<recording::GpsSample> { fix(0.0, 0.0, 0), fix(720.0, 720.0, 3) }, 0 },
        { "no track", std::nullopt, 0 },
        { "single point", std::vector<recording::GpsSample> { fix(10.0, 20.0, 0) }, 1 },
        { "antimeridian",
            std::vector<recording::GpsSample> { fix(-17.0, 179.9995, 0), fix(-17.0, 179.9999, 3),
                fix(-17.0, -179.9998, 6), fix(-17.0, -179.9994, 9) },
            2 },
        { "five thousand points", many, 2 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_tracks.current = c.current;
        m_map->setCurrentFrame(2);
        m_map->SendCrashPoints({}, 0, false);
        ASSERT_TRUE(waitFor([&](const QJsonObject& s) {
            return s.value("histline").toArray().size() + s.value("schline").toArray().size() == c.pieces;
        })) << QJsonDocument(state()).toJson().toStdString();
    }
}

TEST_F(MapPage, GpsLessEventIsSentOnceNotEveryRetry)
{
    m_tracks.current = twoPieceTrack();
    open({});
    runScript(QStringLiteral("window.clears = 0; var clear = cplist.ClearCrashPos;"
                             "cplist.ClearCrashPos = function () { window.clears++; clear.call(cplist); }"));
    Events events;
    events.add(1, 40, std::nullopt);
    events.add(8, 120, std::pair { 35.0035, 139.0 });
    for (int tick = 0; tick < 30; ++tick)
        EXPECT_EQ(m_map->SendCrashPoints(events.list, 0, false), 0);
    ASSERT_TRUE(waitFor([](const QJsonObject& s) { return s.value("crash").toArray().size() == 1; }));
    auto clears = std::make_shared<int>(-1);
    m_map->mapWindow()->page()->runJavaScript(
        QStringLiteral("window.clears"), [clears](const QVariant& v) { *clears = v.toInt(); });
    ASSERT_TRUE(processEventsUntil([&] { return *clears >= 0; }));
    EXPECT_EQ(*clears, 1);
}

TEST_F(MapPage, SettingsTextNeverRunsAsScript)
{
    // The template is refused (the default stands in); the attribution shows as text.
    open(QStringLiteral("https://x.example/{z}/{x}/{y}.png\"><script>window.pwned=1</script>"),
        QStringLiteral("<img src=x onerror=\"window.pwned=2\">Tiles"));
    processEventsUntil([] { return false; }, 1000);
    const QJsonObject s = state();
    EXPECT_EQ(s.value("attribution").toString(), "<img src=x onerror=\"window.pwned=2\">Tiles");
    auto pwned = std::make_shared<std::optional<QString>>();
    m_map->mapWindow()->page()->runJavaScript(
        QStringLiteral("String(window.pwned)"), [pwned](const QVariant& v) { *pwned = v.toString(); });
    ASSERT_TRUE(processEventsUntil([&] { return pwned->has_value(); }));
    EXPECT_EQ(**pwned, "undefined");
}

TEST_F(MapPage, TilesOnlineOfflineAndBack)
{
    TileServer server(false);
    ASSERT_TRUE(server.start());
    m_tracks.current = twoPieceTrack();
    open(server.urlTemplate());
    ASSERT_TRUE(waitFor([](const QJsonObject& s) { return s.value("tilesLoaded").toInt() > 0; }, 15000));
    EXPECT_FALSE(state().value("offline").toBool());
    EXPECT_EQ(state().value("attribution").toString(), QString::fromUtf8("© OpenStreetMap contributors"));
    EXPECT_TRUE(server.lastUserAgent().startsWith("kivora/")) << server.lastUserAgent().toStdString();

    const quint16 port = server.port();
    server.stop();
    runScript(QStringLiteral("kivoraMap.retryTiles()"));
    ASSERT_TRUE(waitFor([](const QJsonObject& s) { return s.value("offline").toBool(); }, 15000));

    // Offline, the map still draws.
    m_map->setCurrentFrame(130);
    m_map->SendCrashPoints({}, 0, false);
    ASSERT_TRUE(waitFor([](const QJsonObject& s) { return s.value("histline").toArray().size() == 2; }));

    ASSERT_TRUE(server.start(port));
    runScript(QStringLiteral("kivoraMap.retryTiles()"));
    ASSERT_TRUE(waitFor([](const QJsonObject& s) { return !s.value("offline").toBool(); }, 15000));
}

TEST_F(MapPage, WithoutTileServerTheMapDrawsOnAPlainGround)
{
    TileServer closed(false);
    ASSERT_TRUE(closed.start());
    const QString url = closed.urlTemplate();
    closed.stop();
    m_tracks.current = twoPieceTrack();
    open(url);
    m_map->setCurrentFrame(130);
    m_map->SendCrashPoints({}, 0, false);
    ASSERT_TRUE(waitFor(
        [](const QJsonObject& s) {
            return s.value("offline").toBool() && s.value("histline").toArray().size() == 2;
        },
        15000))
        << QJsonDocument(state()).toJson().toStdString();
}

TEST_F(MapPage, MapSwitchOffDropsTheMapAndOnBringsItBack)
{
    m_tracks.current = twoPieceTrack();
    open({});
    m_map->setMapSwitch(false);
    ASSERT_TRUE(waitFor([](const QJsonObject& s) { return !s.value("hasMap").toBool(); }, 5000));
    EXPECT_FALSE(m_map->htmlReady());
    m_map->setMapSwitch(true);
    ASSERT_TRUE(processEventsUntil([&] { return m_receiver.ready == 2; }, 5000));
    EXPECT_TRUE(m_map->htmlReady());
}

TEST_F(MapPage, TilesSeenBeforeComeFromTheCache)
{
    TileServer server(true);
    ASSERT_TRUE(server.start());
    open(server.urlTemplate());
    ASSERT_TRUE(waitFor([](const QJsonObject& s) { return s.value("tilesLoaded").toInt() > 0; }, 15000));
    processEventsUntil([] { return false; }, 500);
    const int requests = server.tileRequests();

    server.stop();
    runScript(QStringLiteral("kivoraMap.retryTiles()"));
    ASSERT_TRUE(waitFor([](const QJsonObject& s) { return s.value("tilesLoaded").toInt() > 0; }, 15000));
    EXPECT_FALSE(state().value("offline").toBool());
    EXPECT_EQ(server.tileRequests(), requests);
}

TEST_F(MapPage, DeadRenderProcessCountsAsNoRuntimeUntilTheReloadIsReady)
{
    open({});
    const qint64 pid = m_map->mapWindow()->page()->renderProcessPid();
    ASSERT_GT(pid, 0);
    ::kill(static_cast<pid_t>(pid), SIGKILL);
    ASSERT_TRUE(processEventsUntil([&] { return !m_map->runtimePresent(); }, 10000));
    EXPECT_FALSE(m_map->pageReady());
    EXPECT_FALSE(m_map->htmlReady());
    // The page is loaded again and tells the main window once more.
    ASSERT_TRUE(processEventsUntil([&] { return m_receiver.ready == 2; }, 30000));
    EXPECT_TRUE(m_map->runtimePresent());
    EXPECT_TRUE(m_map->pageReady());
}

// Pictures for review: KIVORA_MAP_SHOTS=folder writes map-online.png and map-offline.png (run it
// under xvfb-run, and with QT_SCALE_FACTOR=1.5 for the larger scale).
TEST_F(MapPage, Screenshots)
{
    const QString folder = qEnvironmentVariable("KIVORA_MAP_SHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "KIVORA_MAP_SHOTS not set";
    for (const bool online : { true, false }) {
        TileServer server(false);
        ASSERT_TRUE(server.start());
        const QString url = server.urlTemplate();
        if (!online)
            server.stop();
        m_receiver.ready = 0;
        m_tracks.group->clear();
        m_tracks.current.reset();
        for (int i = 0; i < 120; ++i) {
            const double t = i / 119.0;
            const double lat = 35.6580 + 0.004 * t + 0.0006 * std::sin(t * 9.0);
            const double lng = 139.7010 + 0.006 * t;
            m_tracks.group->push_back(fix(lat - 0.0025, lng - 0.003, i * 30));
            if (i < 40 || i >= 55) // a tunnel: the current track has a gap
                m_tracks.current = m_tracks.current.value_or(std::vector<recording::GpsSample> {}),
                m_tracks.current->push_back(fix(lat, lng, i * 30));
        }
        open(url);
        m_map->setCurrentFrame(80 * 30);
        Events events;
        events.add(
            1, 20 * 30, std::pair { m_tracks.current->at(20).latitude, m_tracks.current->at(20).longitude });
        events.add(
            8, 70 * 30, std::pair { m_tracks.current->at(60).latitude, m_tracks.current->at(60).longitude });
        events.add(
            5, 100 * 30, std::pair { m_tracks.current->at(90).latitude, m_tracks.current->at(90).longitude });
        m_map->SendCrashPoints(events.list, 0, true);
        ASSERT_TRUE(waitFor(
            [&](const QJsonObject& s) {
                return s.value("crash").toArray().size() == 3 && s.value("grpline").toArray().size() == 1
                    && s.value("offline").toBool() == !online
                    && (!online || s.value("tilesLoaded").toInt() > 0);
            },
            15000));
        runScript(QStringLiteral("kivoraMap.fitTracks()"));
        processEventsUntil([] { return false; }, 2000);
        const QString name = online ? QStringLiteral("map-online.png") : QStringLiteral("map-offline.png");
        EXPECT_TRUE(m_map->mapWindow()->grab().save(QDir(folder).filePath(name)));
        m_map.reset();
    }
}

TEST_F(MapPage, PageNeverNavigatesAway)
{
    TileServer server(false); // answers anything but a tile with an empty page
    ASSERT_TRUE(server.start());
    open({});
    runScript(QStringLiteral("location.href = 'http://127.0.0.1:%1/elsewhere'").arg(server.port()));
    processEventsUntil([] { return false; }, 1000);
    EXPECT_EQ(m_map->mapWindow()->page()->url(), QUrl(QStringLiteral("qrc:/map/map.html")));
    // The refused load is not the page's: the page stays ready, so the map is not dropped.
    EXPECT_TRUE(m_map->pageReady());
    // Under load the refused navigation can leave the page busy for a moment before it answers.
    EXPECT_TRUE(processEventsUntil([&] { return state().value("hasMap").toBool(); }, 10000));
}

// Full screen hides the separate window that holds the map; the map's own state still decides.
TEST(MapShow, OnlyWhatItShowedIsHiddenAlsoWhileItsWindowIsHidden)
{
    TempFolder folder;
    TestTracks tracks;
    Receiver receiver;
    CGoogleMapDlgWrap::Parts parts;
    parts.mainWindow = receiver.target();
    parts.tracks = &tracks;
    parts.settingsFile = folder / "Default_Folder.ini";
    parts.cacheFolder = QString::fromStdString((folder / "cache").string());
    CGoogleMapDlgWrap map(std::move(parts));
    QWidget window;
    window.show();
    map.SetMapParent(&window);
    QWidget* view = map.mapWindow();

    map.ShowMap(true);
    EXPECT_TRUE(view->isVisible());
    map.ShowMap(false);
    EXPECT_FALSE(view->isVisible());

    // Shown by someone else: not this wrapper's to hide.
    view->show();
    map.ShowMap(false);
    EXPECT_TRUE(view->isVisible());
    view->hide();

    // Full screen: shown and hidden while the window is away, it stays hidden when the window returns.
    window.hide();
    map.ShowMap(true);
    map.ShowMap(false);
    window.show();
    EXPECT_FALSE(view->isVisible());
    // And a map shown while the window is away appears with it.
    window.hide();
    map.ShowMap(true);
    window.show();
    EXPECT_TRUE(view->isVisible());
}
