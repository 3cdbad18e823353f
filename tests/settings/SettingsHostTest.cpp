#include "kivora/settings/SettingsHost.h"

#include "kivora/platform/MessageTable.h"
#include "kivora/settings/CInetConnectionAsync.h"
#include "kivora/settings/CSettingDlg.h"
#include "kivora/settings/CUpdateDialog.h"
#include "kivora/settings/SettingsMessages.h"
#include "tests/settings/LocalHttpServer.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempFolder.h"

#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTextDocument>

#include <fstream>

#include <gtest/gtest.h>

using namespace kivora;
using namespace kivora::settings;
using kivora::testing::runCli;
using kivora::testing::Stderr;
using settingstest::LocalHttpServer;

namespace {

// The main window's side: shows the notice when it is posted, as the main window does.
struct HostTest : ::testing::Test {
    HostTest() { qputenv("no_proxy", "127.0.0.1,localhost"); }

    std::unique_ptr<SettingsHost> makeHost(const std::string& iniText)
    {
        const auto ini = folder.path() / "Default_Folder.ini";
        std::ofstream(ini) << iniText;
        auto host = std::make_unique<SettingsHost>(&mainWindow, table.target(), ini);
        table.on(kMsgUpdateFound, [this, h = host.get()](platform::WParam, platform::LParam) {
            ++notices;
            h->showUpdateNotice(QGuiApplication::primaryScreen()->geometry());
        });
        return host;
    }
    // Runs the check to its end and lets the notice arrive.
    void runCheck(
        SettingsHost& host, const std::string& firmware, const std::string& gps, const std::string& model)
    {
        QSignalSpy done(&host.updateCheck(), &CInetConnectionAsync::finished);
        host.StartUpdateCheck(firmware, gps, model);
        if (host.updateCheck().running()) {
            ASSERT_TRUE(done.wait(5000));
        }
        QCoreApplication::processEvents();
    }

    TempFolder folder;
    LocalHttpServer server;
    QWidget mainWindow;
    platform::MessageTable table { &mainWindow };
    int notices = 0;
};

QString plainText(const QLabel& label)
{
    QTextDocument doc;
    doc.setHtml(label.text());
    return doc.toPlainText();
}

} // namespace

TEST_F(HostTest, WithoutABaseUrlNothingIsRequested)
{
    for (const std::string ini : { "", "[UPDATE]\nBASE_URL=\n", "[UPDATE]\nBASE_URL=ftp://127.0.0.1\n" }) {
        auto host = makeHost(ini);
        runCheck(*host, "1.05.02", "230415", "Vireo_download");
        EXPECT_FALSE(host->updateCheck().started()) << ini;
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_EQ(notices, 0);
}

TEST_F(HostTest, TheNoticeDialogAppearsOnceWithTheItemsAndOpensOnlyOurPages)
{
    server.serve(QStringLiteral("/updates/recorder/vireo/vireo_sw_version.txt"), "VER:1.06.00.0\r\n");
    server.serve(QStringLiteral("/updates/viewer/Ondrasil/Ondrasil_version.txt"), "VER:2.0.1.0\r\n");
    server.serve(QStringLiteral("/updates/gpsdata/gps_01.txt"), "230501");
    auto host = makeHost("[UPDATE]\nBASE_URL=" + server.baseUrl().toStdString() + "/\n");
    runCheck(*host, "1.05.02", "230415", "Vireo_download");
    host->StartUpdateCheck("1.05.02", "230415", "Vireo_download"); // a second source: no second check
    QCoreApplication::processEvents();
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(server.requests().size(), 3);

    CUpdateDialog* dialog = host->updateDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->size(), QSize(640, 480));
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize()); // not resizable
    const QString text = plainText(*dialog->linkLabel());
    EXPECT_TRUE(text.contains(QString::fromUtf8("1.05.02.0   →   更新バージョン：1.06.00.0")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("23/04/15"))) << text.toStdString();
    EXPECT_LT(text.indexOf(QStringLiteral("1.06.00.0")), text.indexOf(QStringLiteral("23/05/01")));
    EXPECT_FALSE(text.contains(QString::fromUtf8("ビューワーソフト")));
    settingstest::saveSnapshot(*dialog, "update-notice");

    std::vector<QUrl> opened;
    dialog->setLinkOpener([&](const QUrl& url) { opened.push_back(url); });
    const QString page = server.baseUrl() + QStringLiteral("/updates/recorder/vireo/vireo.html");
    dialog->activateLink(page);
    dialog->activateLink(QStringLiteral("javascript:alert(1)"));
    dialog->activateLink(QStringLiteral("http://elsewhere.example/updates/recorder/vireo/vireo.html"));
    EXPECT_EQ(opened, std::vector<QUrl> { QUrl(page) });

    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog, &enter);
    EXPECT_TRUE(dialog->isVisible());
    dialog->closeButtonOfNotice()->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(host->updateDialog(), nullptr); // destroyed when closed
}

TEST_F(HostTest, TheSettingsCommandShowsTheOneWindow)
{
    auto host = makeHost("");
    CSettingDlg* window = host->settingsWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->isVisible());
    host->showSettings(QGuiApplication::primaryScreen()->geometry());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->parent(), &mainWindow);
    host->showSettings(QGuiApplication::primaryScreen()->geometry());
    EXPECT_EQ(host->settingsWindow(), window);
}

// A generated recorder card: its model shortcut, and the firmware and GPS data versions its
// recordings carry, as the browser panel reads them for the check (here through kivora-cli).
TEST_F(HostTest, ANoticeForAGeneratedCard)
{
    const auto card = folder.path() / "card";
    ASSERT_EQ(
        runCli({ "democard", card.string(), "--tiny", "1", "--model", "Sorrel", "--gps-version", "230415" })
            .status,
        0);
    ASSERT_TRUE(std::filesystem::exists(card / "Sorrel_download.url"));
    std::filesystem::path movie;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(card))
        if (entry.path().extension() == ".MOV")
            movie = entry.path();
    const auto info = runCli({ "info", movie.string() }, Stderr::Inherit);
    const QJsonObject telemetry = QJsonDocument::fromJson(QByteArray::fromStdString(info.out))
                                      .object()[QStringLiteral("telemetry")]
                                      .toObject();
    const std::string digits
        = telemetry[QStringLiteral("header")].toObject()[QStringLiteral("firmware")].toString().toStdString();
    ASSERT_EQ(digits.size(), 6u);
    const std::string firmware = std::to_string(std::stoi(digits.substr(0, 2))) + "."
        + std::to_string(std::stoi(digits.substr(2, 2))) + "."
        + std::to_string(std::stoi(digits.substr(4, 2)));
    const std::string gps = telemetry[QStringLiteral("trailer")].toString().toStdString();

    server.serve(QStringLiteral("/updates/recorder/sorrel/sorrel_sw_version.txt"), "VER:1.3.0.0\r\n");
    server.serve(QStringLiteral("/updates/viewer/Ondrasil/Ondrasil_version.txt"), "VER:2.0.1.0\r\n");
    server.serve(QStringLiteral("/updates/gpsdata/gps_01.txt"), "230501\r\n");
    auto host = makeHost("[UPDATE]\nBASE_URL=" + server.baseUrl().toStdString() + "\n");
    runCheck(*host, firmware, gps, "Sorrel_download");
    ASSERT_NE(host->updateDialog(), nullptr);
    const QString text = plainText(*host->updateDialog()->linkLabel());
    EXPECT_TRUE(text.contains(QString::fromUtf8("1.2.3.0   →   更新バージョン：1.3.0.0")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("23/04/15   →   更新バージョン：23/05/01")))
        << text.toStdString();
    settingstest::saveSnapshot(*host->updateDialog(), "update-notice-card");

    CUpdateDialog large(
        host->updateCheck().noticeText(), host->updateCheck().baseUrl(), ui::SkinStyle::forScale(1.5));
    EXPECT_EQ(large.size(), QSize(960, 720));
    EXPECT_EQ(large.linkLabel()->geometry(), QRect(15, 45, 930, 600));
    large.show();
    settingstest::saveSnapshot(large, "update-notice-card@1.5");
}
