#include "kivora/export/TrackDocument.h"
#include "kivora/export/ExportCommands.h"
#include "kivora/recording/FolderLayout.h"
#include "kivora/recording/TelemetryReader.h"
#include "kivora/ui/UiText.h"
#include "tests/export/ExportFakes.h"
#include "tests/export/ExportTestCard.h"
#include "tests/export/TrackSchemas.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

using namespace kivora::exporting;
using namespace kivora::exporting::test;
using kivora::testing::runCli;
using kivora::testing::runProgram;
using kivora::testing::Stderr;
namespace rec = kivora::recording;

namespace {

std::size_t count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// xmllint's judgement of a document against its schema: empty when it is valid.
std::string schemaComplaints(const fs::path& file)
{
    const bool kml = file.extension() == ".kml";
    const fs::path schema = file.parent_path() / (kml ? "kml22.xsd" : "gpx11.xsd");
    writeText(schema, kml ? kKml22Schema : kGpx11Schema);
    const auto r
        = runProgram({ "xmllint", "--noout", "--schema", schema.string(), file.string() }, Stderr::Merge);
    return r.status == 0 ? std::string() : "exit " + std::to_string(r.status) + ": " + r.out;
}

} // namespace

TEST(TrackDocument, TracksAndEventsOfGeneratedRecordings)
{
    rec::setCurrentLayout(0);
    TempFolder card;
    const auto entries = writeCard(card.path(), { .recordings = 2, .frames = 90, .withSub = false });
    ASSERT_EQ(entries.size(), 2u);
    std::vector<TrackPart> parts;
    std::size_t valid = 0;
    for (const auto& e : entries) {
        auto part = ReadTrackPart(e.path, 0);
        ASSERT_TRUE(part) << e.path;
        for (const auto& g : part->fixes)
            valid += g.valid == 1 && g.latitude != rec::kNoPosition ? 1 : 0;
        parts.push_back(std::move(*part));
    }
    ASSERT_GT(valid, 0u);
    // An event of our own, so that waypoints and placemarks are always there to check.
    parts[0].events.push_back({ 35.5, 139.25, { 2023, 1, 0, 15, 8, 30, 1, 0 }, "sudden braking <test>" });

    const std::string gpx = GpxDocument(parts);
    const std::string kml = KmlDocument(parts);
    EXPECT_EQ(count(gpx, "<trkpt "), valid);
    EXPECT_EQ(count(gpx, "<trk>"), 2u);
    EXPECT_EQ(count(gpx, "<wpt "), parts[0].events.size() + parts[1].events.size());
    EXPECT_LT(gpx.find("<wpt "), gpx.find("<trk>")) << "waypoints come first";
    EXPECT_NE(gpx.find("<name>sudden braking &lt;test&gt;</name>"), std::string::npos);
    EXPECT_NE(kml.find("<coordinates>139.250000,35.500000</coordinates>"), std::string::npos);
    EXPECT_EQ(count(kml, "<LineString>"), 2u);

    TempFolder out;
    writeText(out / "t.gpx", gpx);
    writeText(out / "t.kml", kml);
    EXPECT_EQ(schemaComplaints(out / "t.gpx"), "");
    EXPECT_EQ(schemaComplaints(out / "t.kml"), "");

    // The CLI prints the same document for one recording without events.
    const auto cli = runCli({ "telemetry", entries[1].path.string(), "--format", "gpx" }, Stderr::Inherit);
    EXPECT_EQ(cli.status, 0);
    TrackPart plain = parts[1];
    plain.events.clear();
    EXPECT_EQ(cli.out, GpxDocument({ plain }));
}

TEST(TrackDocument, TheCommandWritesBothFilesForTheOpenRecording)
{
    rec::setCurrentLayout(0);
    TempFolder card;
    TempFolder out;
    const auto entries = writeCard(card.path(), { .recordings = 1, .withSub = false });
    ASSERT_EQ(entries.size(), 1u);
    FakeContext context;
    FakeHost host;
    FakeChooser chooser;
    ExportCommands commands(context, host, chooser, out / "settings.ini");
    context.folder = out.path();
    context.open = OpenRecording { entries[0].path, 0, 1000.0 / 30, false, true, std::nullopt };
    commands.ExportTrack(false);
    ASSERT_TRUE(host.finish());
    const fs::path gpx = out / (entries[0].path.stem().string() + ".gpx");
    EXPECT_EQ(schemaComplaints(gpx), "");
    EXPECT_EQ(schemaComplaints(fs::path(gpx).replace_extension(".kml")), "");
    ASSERT_EQ(context.messages.size(), 1u);
    EXPECT_EQ(context.messages[0].caption, std::string(kivora::ui::UiText(45)));

    // "Tracks…" asks for a track export's run, which the save's limits do not bound.
    commands.ExportTrack(true);
    EXPECT_EQ(chooser.mode, SelectMode::Tracks);
}
