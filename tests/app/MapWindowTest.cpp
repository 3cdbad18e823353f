// The main window with its real map over a generated card with GPS: the map button shows the
// separate window with the map page, with tiles from a local server and without one.
// KIVORA_MAP_SHOTS=folder keeps window-map-online.png and window-map-offline.png for review.
#include "kivora/app/CMovieDialog.h"
#include "kivora/app/CkivoraDlg.h"
#include "kivora/app/CommandIds.h"
#include "kivora/map/CGoogleMapDlgWrap.h"
#include "tests/app/WindowCard.h"
#include "tests/map/TileServer.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>

#include <fstream>
#include <set>

using namespace kivora;
namespace fs = std::filesystem;

namespace {

// More than a few colours: a drawn map, not an empty or single-coloured window.
int colourCount(const QImage& image)
{
    std::set<QRgb> colours;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); y += 3)
        for (int x = 0; x < rgb.width(); x += 3)
            colours.insert(rgb.pixel(x, y));
    return int(colours.size());
}

class MapWindow : public ::testing::TestWithParam<bool> { };

TEST_P(MapWindow, TheMapButtonShowsTheRecordingsTrackInTheSeparateWindow)
{
    const bool online = GetParam();
    TempFolder work;
    democard::CardOptions o = kivora::app::test::windowCardOptions(work / "card", 1, 6.0);
    o.triggers = { democard::Trigger::Continuous };
    auto made = democard::writeCard(o);
    ASSERT_TRUE(made) << made.error;

    TileServer server(false);
    ASSERT_TRUE(server.start());
    const QString url = server.urlTemplate();
    if (!online)
        server.stop();
    std::ofstream(work / "Default_Folder.ini") << "[MAP]\nTILE_URL=" << url.toStdString() << "\n";
    const fs::path previous = fs::current_path();
    fs::current_path(work.path());

    {
        app::CkivoraDlg dlg(o.outDir);
        dlg.show();
        ASSERT_TRUE(
            processEventsUntil([&] { return dlg.openSequence().opened() && dlg.clockRunning(); }, 30000));
        dlg.play();
        dlg.runCommand(app::kCmdMap);
        EXPECT_TRUE(dlg.mapSwitch());
        auto* map = dynamic_cast<map::CGoogleMapDlgWrap*>(&dlg.mapView());
        ASSERT_NE(map, nullptr) << "the real map, not the stand-in";
        EXPECT_TRUE(processEventsUntil(
            [&] {
                return dlg.separateWindow()->isVisible() && map->pageReady() && map->mapWindow()
                    && map->mapWindow()->isVisible() && dlg.mapHasData();
            },
            30000))
            << "page " << map->pageReady() << " data " << dlg.mapHasData();
        if (online) {
            EXPECT_TRUE(processEventsUntil([&] { return server.tileRequests() > 0; }, 15000));
        }
        processEventsUntil([] { return false; }, 2000);
        const QImage shot = dlg.separateWindow()->grab().toImage();
        EXPECT_GT(colourCount(shot), 20);
        if (const QString folder = qEnvironmentVariable("KIVORA_MAP_SHOTS"); !folder.isEmpty())
            shot.save(QDir(folder).filePath(online ? "window-map-online.png" : "window-map-offline.png"));

        dlg.runCommand(app::kCmdMap);
        EXPECT_FALSE(dlg.separateWindow()->isVisible());
        dlg.close();
    }
    fs::current_path(previous);
}

INSTANTIATE_TEST_SUITE_P(Tiles, MapWindow, ::testing::Values(true, false),
    [](const auto& info) { return info.param ? "Online" : "Offline"; });

} // namespace
