#include "kivora/settings/CSettingDlg.h"

#include "kivora/platform/MessageTable.h"
#include "kivora/settings/SettingsMessages.h"
#include "kivora/ui/CSkinCheckButton.h"
#include "kivora/views/CGSensorDlg.h"
#include "kivora/views/EventList.h"
#include "tests/settings/SettingsTestSupport.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace kivora;
using namespace kivora::settings;

namespace {

// A movie with speeding (icon 8, frames 150..184) and the three drive-support events (11..13).
std::unique_ptr<recording::TelemetryReader> readerWith(bool speeding, bool driveSupport)
{
    auto reader = std::make_unique<recording::TelemetryReader>();
    reader->motion.resize(300);
    for (std::size_t i = 0; i < reader->motion.size(); ++i) {
        auto& m = reader->motion[i];
        m.recordIndex = std::int32_t(i);
        m.time = std::int32_t(i);
        m.accelX = 0.3 * std::sin(double(i) / 15.0);
        m.accelY = -0.1;
        m.accelZ = 0.05;
        if (speeding && i >= 150 && i < 185)
            m.speeding = 8;
    }
    if (driveSupport) {
        reader->motion[200].eventCode = 11;
        reader->motion[230].eventCode = 12;
        reader->motion[260].eventCode = 13;
    }
    reader->gps.resize(reader->motion.size());
    reader->vehicle.resize(reader->motion.size());
    for (auto& m : reader->motion)
        reader->frameIndex.push_back(&m);
    return reader;
}

// The main window's side: the settings window posts to it; it switches the graph's channels the
// way the main window's handler does.
struct SettingsWindowTest : ::testing::Test {
    SettingsWindowTest()
    {
        table.on(kMsgMarkSetting, [this](platform::WParam n, platform::LParam on) {
            received.emplace_back(int(n), int(on));
            const int channel = views::EventChannels::markSettingChannel(int(n));
            if (channel >= 0)
                graph.channels().setBoth(channel, on != 0);
        });
        graph.setGeometry(0, 0, 640, 140);
        graph.setStepCount(300);
        graph.setCurrentStep(120);
        graph.setRange(1);
        graph.setDrawEnabled(true);
    }
    void click(int n)
    {
        auto* button = dialog.switchButton(n);
        const QPointF at(button->boxRect().center());
        QMouseEvent press(QEvent::MouseButtonPress, at, button->mapToGlobal(at), Qt::LeftButton,
            Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, button->mapToGlobal(at), Qt::LeftButton,
            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(button, &press);
        QCoreApplication::sendEvent(button, &release);
        QCoreApplication::sendPostedEvents();
    }
    QImage graphOf(const recording::TelemetryReader& reader)
    {
        graph.setTelemetry({ &reader, {}, {} });
        QImage image(graph.size(), QImage::Format_RGB32);
        graph.render(image);
        return image;
    }
    std::vector<int> mapIcons(const recording::TelemetryReader& reader) const
    {
        std::vector<int> icons;
        for (const auto& e : views::buildEventList(&reader, graph.channels()))
            icons.push_back(e.icon);
        return icons;
    }

    QObject mainWindow;
    platform::MessageTable table { &mainWindow };
    std::vector<std::pair<int, int>> received;
    views::CGSensorDlg graph;
    CSettingDlg dialog { nullptr, table.target() };
};

} // namespace

TEST_F(SettingsWindowTest, SwitchesStartOnAndTwoClicksSendOffThenOn)
{
    for (int n = 0; n < CSettingDlg::kSwitchCount; ++n)
        EXPECT_TRUE(dialog.switchOn(n)) << n;
    EXPECT_EQ(dialog.switchButton(3)->controlId(), 32971);
    click(3);
    EXPECT_FALSE(dialog.switchOn(3));
    click(3);
    click(1);
    EXPECT_EQ(received, (std::vector<std::pair<int, int>> { { 3, 0 }, { 3, 1 }, { 1, 0 } }));
}

TEST_F(SettingsWindowTest, SpeedingOffRemovesTheBandTheMarksAndTheMapPoints)
{
    const auto with = readerWith(true, false);
    const auto without = readerWith(false, false);
    const QImage shown = graphOf(*with);
    ASSERT_NE(shown, graphOf(*without)); // the band is drawn while the switch is on
    const auto before = mapIcons(*with);
    EXPECT_NE(std::count(before.begin(), before.end(), 8), 0);

    click(3);
    EXPECT_EQ(graphOf(*with), graphOf(*without));
    const auto icons = mapIcons(*with);
    EXPECT_EQ(std::count(icons.begin(), icons.end(), 8), 0);

    click(3);
    EXPECT_EQ(graphOf(*with), shown);
}

TEST_F(SettingsWindowTest, DriveSupportOffRemovesAllThreeEvents)
{
    const auto with = readerWith(false, true);
    const auto without = readerWith(false, false);
    ASSERT_NE(graphOf(*with), graphOf(*without));
    const auto driveSupport = [](const std::vector<int>& icons) {
        return std::count_if(icons.begin(), icons.end(), [](int i) { return i >= 11 && i <= 13; });
    };
    EXPECT_EQ(driveSupport(mapIcons(*with)), 3);
    click(0);
    EXPECT_EQ(graphOf(*with), graphOf(*without));
    EXPECT_EQ(driveSupport(mapIcons(*with)), 0);
}

TEST_F(SettingsWindowTest, ShowsCentredAndItsCloseButtonOnlyHidesIt)
{
    const QRect monitor = QGuiApplication::primaryScreen()->geometry();
    dialog.showCentred(QRect(monitor.center() - QPoint(100, 100), QSize(200, 200)));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.size(), QSize(460, 315));
    EXPECT_LE(std::abs(dialog.geometry().center().x() - monitor.center().x()), 1);
    EXPECT_TRUE(dialog.versionLabel()->text().startsWith(QStringLiteral("version 2.0.1.0\n")));
    settingstest::saveSnapshot(dialog, "settings");
    dialog.closeButton()->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);
    dialog.showCentred(QRect(monitor.center(), QSize(10, 10)));
    EXPECT_TRUE(dialog.isVisible()); // the same window again, switches as they were
}

TEST_F(SettingsWindowTest, LaysItselfOutAgainAtANewScale)
{
    dialog.setSkinStyle(ui::SkinStyle::forScale(1.5));
    EXPECT_EQ(dialog.size(), QSize(690, 472));
    EXPECT_EQ(dialog.switchButton(3)->geometry(), QRect(360, 180, 240, 30));
    dialog.show();
    settingstest::saveSnapshot(dialog, "settings@1.5");
}
