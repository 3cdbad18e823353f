// The map-or-logo choice of the separate window, driven by a fake window: the marks the GPS
// samples leave, the page's readiness and the recording's kind decide what shows.
#include "kivora/app/MapPlace.h"
#include "kivora/app/CLogoDlg.h"
#include "kivora/app/CrashPoints.h"
#include "kivora/app/OpenSequence.h"
#include "kivora/app/PlaybackControl.h"
#include "kivora/app/WindowWidgets.h"
#include "kivora/map/IMapView.h"
#include "kivora/recording/RecordingEntry.h"
#include "kivora/recording/TelemetrySample.h"
#include "kivora/views/CGSensorDlg.h"

#include <gtest/gtest.h>

#include <string>

using namespace kivora;
using namespace kivora::app;

namespace {

struct FakeMap final : map::IMapView {
    bool ready = true;
    bool runtime = true;
    bool on = true;
    bool shown = false;
    void SetMapStatus(int) override { }
    int SendCrashPoints(const std::vector<views::EventEntry>&, int, bool) override { return 1; }
    void ShowMap(bool show) override { shown = show; }
    void SetMapParent(QWidget*) override { }
    void setMapGeometry(const QRect&) override { }
    void setCurrentFrame(std::int64_t) override { }
    void setMapSwitch(bool s) override { on = s; }
    bool mapSwitch() const override { return on; }
    bool pageReady() const override { return ready; }
    bool htmlReady() const override { return ready; }
    bool runtimePresent() const override { return runtime; }
};

struct FakeWindow final : MapPlace::Host {
    FakeMap map;
    recording::RecordingEntry entry { "/card/Normal/AN__-230115-083000-000123M.MOV" };
    bool selected = true;
    bool fullScreen = false;
    bool hasGps = true;
    map::IMapView& mapView() const override { return const_cast<FakeMap&>(map); }
    recording::RecordingEntry* selectedEntry() override { return selected ? &entry : nullptr; }
    bool isFullScreenView() const override { return fullScreen; }
    double uiScale() const override { return 1.0; }
    bool recordingHasGps() override { return hasGps; }
    void repaintWindow() override { }
};

// The open sequence is only read here; none of its steps run.
struct IdleOpenHost final : OpenSequence::Host {
    int listSize() const override { return 0; }
    bool listAdvancing() const override { return false; }
    bool listLoading() const override { return false; }
    void startTimer(int, int) override { }
    void killTimer(int) override { }
    void stopBoth() override { }
    void clearMapHasData() override { }
    void applySwitches(const SelectSwitches&) override { }
    void refreshToolbar() override { }
    void beginWait() override { }
    void endWait() override { }
    void closeForOpen() override { }
    int openBoth(int) override { return 0; }
    void openSucceeded(int) override { }
    void openFailed() override { }
    void showOpenError(int) override { }
    void enableToolbar() override { }
    void leaveZoom() override { }
    void clearNearEndLock() override { }
    bool selectNextRecording() override { return false; }
    void nextFolder() override { }
    void redrawSurfaces() override { }
    void prepareReady() override { }
    void startLoader(std::uint64_t) override { }
    void startPreloader() override { }
    void applyVolumeAndRate() override { }
    bool play() override { return false; }
    void setPlayFace(bool) override { }
    void startClock() override { }
    void afterTelemetryLoaded() override { }
};

recording::GpsSample fix(double latitude, int valid = 1)
{
    recording::GpsSample gps;
    gps.valid = valid;
    gps.latitude = latitude;
    gps.longitude = 13.4;
    return gps;
}

struct MapPlaceFixture : ::testing::Test {
    FakeWindow window;
    IdleOpenHost openHost;
    OpenSequence open { openHost };
    PlaybackControl playback;
    CrashPoints crashPoints;
    CLogoDlg logo { nullptr };
    views::CGSensorDlg graph;
    WindowWidgets ui = [this] {
        WindowWidgets w;
        w.logo = &logo;
        w.graph = &graph;
        return w;
    }();
    MapPlace place { window, ui, open, playback, crashPoints };
};

using MapPlaceChoice = MapPlaceFixture;

TEST_F(MapPlaceChoice, TheMapShowsOnlyWhileEveryMarkAllowsItElseTheLogoInItsMode)
{
    enum Shows { Map, LogoComing, LogoOff, Nothing };
    struct Case {
        std::string what;
        void (*arrange)(FakeWindow&);
        recording::GpsSample gps;
        bool opening;
        Shows shows;
    };
    const auto none = [](FakeWindow&) {};
    const Case cases[] = {
        { "a valid fix with everything ready", none, fix(52.5), false, Map },
        { "a fix while the recording still opens", none, fix(52.5), true, LogoOff },
        { "a valid fix without digits (out of range)", none, fix(recording::kNoPosition), false, LogoOff },
        { "no valid fix", none, fix(52.5, 0), false, LogoOff },
        { "a parking recording",
            [](FakeWindow& w) { w.entry.path = "/card/Parking/PN__-230115-083000-000123M.MOV"; }, fix(52.5),
            false, LogoOff },
        { "a recording without GPS records", [](FakeWindow& w) { w.hasGps = false; }, fix(52.5), false,
            LogoOff },
        { "no selection", [](FakeWindow& w) { w.selected = false; }, fix(52.5), false, LogoOff },
        { "no map runtime", [](FakeWindow& w) { w.map.runtime = false; }, fix(52.5), false, LogoOff },
        { "the page still loading", [](FakeWindow& w) { w.map.ready = false; }, fix(52.5), false,
            LogoComing },
        { "the page loading with the map switched off",
            [](FakeWindow& w) {
                w.map.ready = false;
                w.map.on = false;
            },
            fix(52.5), false, LogoOff },
        { "the page loading, position out of range", [](FakeWindow& w) { w.map.ready = false; },
            fix(recording::kNoPosition), false, LogoOff },
        { "full screen",
            [](FakeWindow& w) {
                w.map.ready = false;
                w.fullScreen = true;
            },
            fix(52.5), false, Nothing },
    };
    for (const Case& c : cases) {
        FakeWindow w;
        c.arrange(w);
        CrashPoints points;
        CLogoDlg caseLogo(nullptr);
        WindowWidgets caseUi = ui;
        caseUi.logo = &caseLogo;
        MapPlace p { w, caseUi, open, playback, points };
        p.allowMap();
        p.onGpsSample(c.gps, c.opening);
        p.refreshMapChoice();
        EXPECT_EQ(w.map.shown, c.shows == Map) << c.what;
        EXPECT_EQ(!caseLogo.isHidden(), c.shows == LogoComing || c.shows == LogoOff) << c.what;
        if (c.shows == LogoComing || c.shows == LogoOff) {
            EXPECT_EQ(p.logoMode(), c.shows == LogoComing ? 0 : 1) << c.what;
            EXPECT_EQ(caseLogo.logoMode(), p.logoMode()) << c.what;
        }
    }
}

TEST_F(MapPlaceChoice, TheChoiceFollowsTheSamplesAsTheyChange)
{
    window.map.ready = false;
    place.allowMap();
    // A fix in range: the map is on its way. One out of range turns it to the plain logo at once.
    place.onGpsSample(fix(52.5), false);
    EXPECT_TRUE(place.mapHasData());
    EXPECT_EQ(place.logoMode(), 0);
    place.onGpsSample(fix(recording::kNoPosition), false);
    EXPECT_EQ(place.logoMode(), 1);
    place.onGpsSample(fix(52.5), false);
    EXPECT_EQ(place.logoMode(), 0);

    // A parking recording losing its fix clears the mark; another recording keeps it.
    place.onGpsSample(fix(52.5, 0), false);
    EXPECT_TRUE(place.mapHasData());
    window.entry.path = "/card/Parking/PN__-230115-083000-000123M.MOV";
    place.onGpsSample(fix(52.5, 0), false);
    EXPECT_FALSE(place.mapHasData());

    // Before the first play or the post-show step the logo never says the map is coming.
    MapPlace early { window, ui, open, playback, crashPoints };
    window.entry.path = "/card/Normal/AN__-230115-083000-000123M.MOV";
    early.onGpsSample(fix(52.5), false);
    EXPECT_EQ(early.logoMode(), 1);
    EXPECT_TRUE(early.firstShow());
    EXPECT_FALSE(early.firstShow());
}

} // namespace
