#include "MapEvents.h"
#include "kivora/map/CJsonHolder.h"
#include "kivora/map/CrashPointBatch.h"
#include "kivora/map/MapSettings.h"
#include "kivora/map/ScriptText.h"
#include "kivora/map/TrackArray.h"
#include "kivora/recording/TelemetryReader.h"
#include "tests/support/TempFolder.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

using namespace kivora;
using namespace kivora::map;

using namespace maptest;

namespace {

// Formats as a decimal-comma desktop would, for as long as it lives.
class DecimalCommaLocale {
public:
    DecimalCommaLocale()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        m_had = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    }
    ~DecimalCommaLocale()
    {
        QLocale::setDefault(QLocale::c());
        std::setlocale(LC_NUMERIC, "C");
    }

private:
    bool m_had;
};

} // namespace

TEST(MapJson, UpdateMessageIsSortedFlatStrings)
{
    DecimalCommaLocale locale;
    CJsonHolder json;
    json.set("val_command", "update");
    json.set("map_lat", fixed6(35.5));
    json.set("map_lng", fixed6(139.25));
    json.set("map_status", "pause");
    json.set("val_end", "");
    EXPECT_EQ(json.toJson(),
        R"({"map_lat":"35.500000","map_lng":"139.250000","map_status":"pause","val_command":"update","val_end":""})");
}

TEST(MapJson, TextIsEscapedAndReadBack)
{
    CJsonHolder json;
    const QString hostile = QStringLiteral("a\"b\\c</script>\n\u2028");
    json.set("map_status", hostile);
    const auto parsed = CJsonHolder::parse(json.toJson());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->value("map_status"), hostile);

    EXPECT_FALSE(CJsonHolder::parse("{\"a\":"));
    EXPECT_FALSE(CJsonHolder::parse("[1]"));
    const auto mixed = CJsonHolder::parse(R"({"a":"x","b":1,"c":{"d":"e"}})");
    ASSERT_TRUE(mixed);
    EXPECT_EQ(mixed->values().size(), 1u);
}

TEST(MapTrack, ArrayHoldsValidFixesAndTheirCount)
{
    struct Case {
        const char* name;
        std::vector<recording::GpsSample> samples;
        QVariantList expected;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Case> cases = {
        { "empty", {}, { 0 } },
        { "no valid fix", { fix(35.0, 139.0, 0, 0), fix(35.1, 139.1, 3, 0) }, { 0 } },
        { "three valid",
            { fix(35.5, 139.25, 0), fix(1.0, 2.0, 3, 0), fix(-33.9, 151.2, 6), fix(64.1, -21.9, 9) },
            { 35.5, 139.25, 0, -33.9, 151.2, 6, 64.1, -21.9, 9, 9 } },
        { "0,0 and off-globe fixes",
            { fix(0.0, 0.0, 0), fix(720.0, 720.0, 3), fix(nan, 1.0, 6), fix(10.0, 181.0, 9),
                fix(10.0, 20.0, 12) },
            { 10.0, 20.0, 12, 3 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(buildTrackArray(c.samples), c.expected);
    }
}

TEST(MapCrashPoints, BatchClearsDrawsAndAddsFromLastToFirst)
{
    DecimalCommaLocale locale;
    Events events;
    events.add(1, 100, std::pair { 35.5, 139.25 });
    events.add(5, 200, std::pair { 0.0, 0.0 }); // never a point at 0,0
    events.add(8, 300, std::pair { -33.865, -70.5 });
    events.add(20, 350, std::pair { 35.0, 139.0 }); // no such icon

    const CrashPointBatch batch = buildCrashPointBatch(events.list, 7, true);
    EXPECT_EQ(batch.result, 1);
    const std::vector<QString> expected = {
        "cplist.ClearCrashPos()",
        "orbitgrplist.RemoveLineList()",
        "orbitgrplist.CreateLine()",
        "orbitgrplist.CreateGridLine(7)",
        "cplist.AddCrashPos(8,0.250000,-1.500000,0.000000,0,7,300,-33.865000,-70.500000,1,42.500000,0."
        "000000)",
        "cplist.AddCrashPos(1,0.250000,-1.500000,0.000000,0,7,100,35.500000,139.250000,1,42.500000,0.000000)",
    };
    EXPECT_EQ(batch.scripts, expected);

    const CrashPointBatch noGroup = buildCrashPointBatch({}, 0, false);
    EXPECT_EQ(noGroup.scripts,
        (std::vector<QString> {
            "cplist.ClearCrashPos()", "orbitgrplist.RemoveLineList()", "orbitgrplist.CreateGridLine(0)" }));
}

TEST(MapCrashPoints, EventWithoutPositionStopsTheWalk)
{
    Events events;
    events.add(1, 100, std::pair { 35.5, 139.25 });
    events.add(5, 200, std::nullopt);
    events.add(6, 300, std::pair { 35.6, 139.3 });
    const CrashPointBatch batch = buildCrashPointBatch(events.list, 0, false);
    EXPECT_EQ(batch.result, 0);
    // The later event is sent, the walk ends at the one without a position.
    ASSERT_EQ(batch.scripts.size(), 4u);
    EXPECT_TRUE(batch.scripts.back().startsWith("cplist.AddCrashPos(6,"));
}

TEST(MapSettingsFile, TileUrlAndAttribution)
{
    TempFolder folder;
    const auto ini = folder / "Default_Folder.ini";
    TileSettings settings = readTileSettings(ini);
    EXPECT_EQ(settings.urlTemplate, "https://tile.openstreetmap.org/{z}/{x}/{y}.png");
    EXPECT_EQ(settings.attribution, QString::fromUtf8("© OpenStreetMap contributors"));

    writeText(
        ini, "[MAP]\nTILE_URL=http://127.0.0.1:8080/{z}/{x}/{y}.png\nTILE_ATTRIBUTION=<b>Our</b> tiles\n");
    settings = readTileSettings(ini);
    EXPECT_EQ(settings.urlTemplate, "http://127.0.0.1:8080/{z}/{x}/{y}.png");
    EXPECT_EQ(settings.attribution, "<b>Our</b> tiles"); // text: the page never reads it as markup
}

TEST(MapSettingsFile, UnacceptableTemplatesFallBack)
{
    for (const char* url : { "javascript:alert(1)//{z}", "https://a.example/{z}\"onerror=\"x",
             "https://a.example/<script>", "file:///etc/{z}/{x}/{y}.png", "https:///{z}", "data:text/html,x",
             "https://a.example/{z} {x}" }) {
        SCOPED_TRACE(url);
        EXPECT_FALSE(acceptableTileUrl(QString::fromUtf8(url)));
    }
    EXPECT_TRUE(acceptableTileUrl("https://{s}.tile.example.org/{z}/{x}/{y}.png?key=abc&x=1"));
}

namespace {

// Twenty records, one frame each: a Y shock over records 8 and 9, a Y shock with a manual event
// at record 14, every record with its own position (a record shows the fix of four records before).
struct ShockTelemetry {
    recording::TelemetryReader reader;

    ShockTelemetry()
    {
        reader.gps.resize(20);
        reader.motion.resize(20);
        reader.vehicle.resize(20);
        for (int i = 0; i < 20; ++i) {
            reader.gps[i] = fix(35.0 + i * 0.0001, 139.0, 0);
            reader.gps[i].recordIndex = reader.motion[i].recordIndex = reader.vehicle[i].recordIndex = i;
        }
        reader.motion[8].shockAxis = reader.motion[9].shockAxis = reader.motion[14].shockAxis = 2;
        reader.motion[14].eventCode = recording::kEventManual;
        recording::BuildFrameIndex(reader, 20, recording::kMsPerRecord);
    }

    std::vector<QString> points(const views::EventChannels& channels)
    {
        const CrashPointBatch batch
            = buildCrashPointBatch(views::buildEventList(&reader, channels), 0, false);
        return { batch.scripts.begin() + 3, batch.scripts.end() };
    }
};

} // namespace

TEST(MapCrashPoints, OnePointPerEventShockBeforeManualAxisSwitch)
{
    ShockTelemetry telemetry;
    views::EventChannels channels;
    std::vector<QString> points = telemetry.points(channels);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_TRUE(points[0].startsWith("cplist.AddCrashPos(2,")) << points[0].toStdString();
    EXPECT_TRUE(points[0].contains(",14,35.001000,"))
        << points[0].toStdString(); // the shock, not the manual event
    EXPECT_TRUE(points[1].contains(",8,35.000400,")) << points[1].toStdString(); // records 8 and 9: one point

    // The Y axis off for the map: its points go, the manual event shows instead.
    channels.mapVisible[1] = false;
    points = telemetry.points(channels);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_TRUE(points[0].startsWith("cplist.AddCrashPos(5,"));
}
