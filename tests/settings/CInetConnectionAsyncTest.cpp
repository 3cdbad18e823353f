#include "kivora/settings/CInetConnectionAsync.h"

#include "kivora/platform/MessageTable.h"
#include "kivora/settings/SettingsMessages.h"
#include "tests/settings/LocalHttpServer.h"

#include <QElapsedTimer>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace kivora;
using namespace kivora::settings;
using settingstest::LocalHttpServer;

namespace {

const QString kVireo = QStringLiteral("/updates/recorder/vireo/vireo_sw_version.txt");
const QString kViewer = QStringLiteral("/updates/viewer/Ondrasil/Ondrasil_version.txt");
const QString kGps = QStringLiteral("/updates/gpsdata/gps_01.txt");

// The main window's side: counts the update notices posted to it.
struct NoticeReceiver {
    QObject receiver;
    platform::MessageTable table { &receiver };
    int notices = 0;
    NoticeReceiver()
    {
        table.on(kMsgUpdateFound, [this](platform::WParam, platform::LParam) { ++notices; });
    }
};

struct UpdateCheckTest : ::testing::Test {
    UpdateCheckTest() { qputenv("no_proxy", "127.0.0.1,localhost"); }
    LocalHttpServer server;
    NoticeReceiver main;
    CInetConnectionAsync check { main.table.target() };

    // Runs the check to its end and lets the posted notice arrive.
    bool run(
        const std::string& firmware, const std::string& gps, const std::string& model, int timeoutMs = 5000)
    {
        check.setBaseUrl(server.baseUrl().toStdString());
        QSignalSpy done(&check, &CInetConnectionAsync::finished);
        if (!check.StartUpdateCheck(firmware, gps, model))
            return false;
        const bool ended = done.wait(timeoutMs);
        QCoreApplication::processEvents();
        return ended;
    }
    std::vector<std::pair<std::string, std::string>> shown() const
    {
        std::vector<std::pair<std::string, std::string>> out;
        for (const auto& item : check.noticeItems())
            out.emplace_back(item.current, item.available);
        return out;
    }
};

using Shown = std::vector<std::pair<std::string, std::string>>;

} // namespace

TEST_F(UpdateCheckTest, FirmwareEqualAfterTheCutAndViewerWithLineEndGiveNoNotice)
{
    server.serve(kVireo, "VER:1.05.02.0\r\n");
    server.serve(kViewer, "VER:2.0.1.0\r\n");
    ASSERT_TRUE(run("1.05.02", "", "Vireo_download"));
    EXPECT_EQ(main.notices, 0);
    EXPECT_TRUE(check.noticeText().empty());
    EXPECT_EQ(server.requests(), QStringList({ kVireo, kViewer }));
}

TEST_F(UpdateCheckTest, NewerFirmwareAndGpsGiveTwoSectionsFirmwareFirst)
{
    server.serve(kVireo, "VER:1.06.00.0");
    server.serve(kViewer, "VER:2.0.1.0");
    server.serve(kGps, "230501\n");
    ASSERT_TRUE(run("1.05.02", "230415", "Vireo_download"));
    EXPECT_EQ(main.notices, 1);
    EXPECT_EQ(shown(), (Shown { { "1.05.02.0", "1.06.00.0" }, { "23/04/15", "23/05/01" } }));
    const std::string text = check.noticeText();
    EXPECT_LT(text.find("1.06.00.0"), text.find("23/05/01"));
    EXPECT_NE(
        text.find("<a href=\"" + server.baseUrl().toStdString() + "/updates/recorder/vireo/vireo.html\">"),
        std::string::npos);
}

TEST_F(UpdateCheckTest, WithoutAModelFileOnlyViewerAndGpsAreAsked)
{
    server.serve(kViewer, std::string(1022, ' ').append("VER:2.0.2.0").c_str()); // marker across byte 1024
    server.serve(kGps, "230415");
    ASSERT_TRUE(run("1.05.02", "230415", ""));
    EXPECT_EQ(server.requests(), QStringList({ kViewer, kGps }));
    EXPECT_EQ(shown(), (Shown { { "2.0.1.0", "2.0.2.0" } }));
}

TEST_F(UpdateCheckTest, ServedMarkupIsNeverShownAndAMissingFileIsSkipped)
{
    // The firmware file is missing (404); the viewer's text is markup with a script link.
    server.serve(kViewer, "VER:<a href=\"javascript:alert(1)\">2.9</a>");
    server.serve(kGps, "230501");
    ASSERT_TRUE(run("1.05.02", "230415", "Sorrel_download"));
    EXPECT_EQ(shown(), (Shown { { "23/04/15", "23/05/01" } }));
    EXPECT_EQ(check.noticeText().find("javascript"), std::string::npos);
}

TEST_F(UpdateCheckTest, AnEndlessResponseIsReadOnlyUpToTheBound)
{
    server.setMode(LocalHttpServer::Mode::Endless);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(run("", "", ""));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(main.notices, 0);
    // The reading stopped: the server could hand over little beyond what the sockets buffer.
    QCoreApplication::processEvents();
    EXPECT_LT(server.streamed(), 32 * 1024 * 1024);
}

TEST_F(UpdateCheckTest, RunsOncePerRunAndNeverWithoutAServer)
{
    CInetConnectionAsync unset(main.table.target());
    EXPECT_FALSE(unset.StartUpdateCheck("1.0.0", "230415", "Vireo_download"));
    unset.setBaseUrl("ftp://127.0.0.1/");
    EXPECT_FALSE(unset.StartUpdateCheck("1.0.0", "230415", "Vireo_download"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(server.requests().isEmpty());

    server.serve(kViewer, "VER:2.0.2.0");
    ASSERT_TRUE(run("", "", ""));
    EXPECT_FALSE(check.StartUpdateCheck("", "", ""));
    EXPECT_EQ(server.requests().size(), 1);
    EXPECT_EQ(main.notices, 1);
}

TEST_F(UpdateCheckTest, ASilentServerIsGivenUpAfterTheTimeout)
{
    server.setMode(LocalHttpServer::Mode::Silent);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(run("1.0.0", "230415", "Vireo_download", 15000));
    EXPECT_GE(clock.elapsed(), 9000);
    EXPECT_LT(clock.elapsed(), 12000);
    EXPECT_EQ(main.notices, 0);
}

TEST_F(UpdateCheckTest, StopEndsARunningCheckAtOnce)
{
    server.setMode(LocalHttpServer::Mode::Silent);
    check.setBaseUrl(server.baseUrl().toStdString());
    QSignalSpy done(&check, &CInetConnectionAsync::finished);
    ASSERT_TRUE(check.StartUpdateCheck("1.0.0", "230415", "Vireo_download"));
    QElapsedTimer wait;
    wait.start();
    while (server.requests().size() < 3 && wait.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_TRUE(check.running());
    QElapsedTimer clock;
    clock.start();
    check.stop();
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_FALSE(check.running());
    EXPECT_EQ(done.count(), 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(main.notices, 0);
}
