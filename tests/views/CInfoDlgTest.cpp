#include "kivora/views/CInfoDlg.h"

#include "ViewsTestSupport.h"

#include "kivora/platform/MessageTable.h"
#include "kivora/ui/CSkinCheckButton.h"
#include "kivora/views/ViewMessages.h"

#include <QCoreApplication>
#include <QPainter>

#include <gtest/gtest.h>

namespace kivora::views {
namespace {

struct PanelFixture : ::testing::Test, viewstest::WithApp {
    PanelFixture()
    {
        parent.resize(800, 140);
        panel = new CInfoDlg(&parent);
        panel->setGeometry(0, 0, 720, 105); // the main window gives it int(105s)
        table.on(kMsgAxisToggled, [this](platform::WParam w, platform::LParam l) {
            toggles.emplace_back(static_cast<int>(w), static_cast<int>(l));
        });
    }

    QWidget parent;
    CInfoDlg* panel = nullptr; // child of parent
    platform::MessageTable table { &parent };
    std::vector<std::pair<int, int>> toggles;
};

recording::SystemTime aprilNoon()
{
    recording::SystemTime t;
    t.year = 2023;
    t.month = 4;
    t.day = 5;
    t.hour = 12;
    return t;
}

TEST_F(PanelFixture, TextsFollowTheFieldsAndReset)
{
    EXPECT_TRUE(panel->dateText().isEmpty()); // no recording yet
    panel->setStartTime(aprilNoon());
    panel->setMsPerFrame(33.333f);
    panel->setPosition(300);
    EXPECT_EQ(panel->dateText(), "2023/04/05 12:00:09");
    panel->setTimeLapse(true);
    EXPECT_EQ(panel->dateText(), "2023/04/05 12:02:29");

    panel->setAcceleration(-0.129, 0.5, -5.0);
    EXPECT_EQ(panel->accelerationText(0), "-0.12G");
    EXPECT_EQ(panel->accelerationText(1), "0.50G");
    EXPECT_TRUE(panel->accelerationText(2).isEmpty());

    // Speed, or the supply voltage in voltage mode.
    panel->setSpeed(42.0);
    panel->setGpsValid(true);
    panel->setVoltageTenths(118);
    EXPECT_EQ(panel->speedOrVoltageText(), "42 ");
    panel->setVoltageMode(true);
    EXPECT_EQ(panel->speedOrVoltageText(), "11.8");
    panel->setVoltageMode(false);
    panel->setGpsValid(false);
    EXPECT_TRUE(panel->speedOrVoltageText().isEmpty());

    panel->setRateCode(-4);
    EXPECT_EQ(panel->rateText(), QString::fromUtf8("再生速度x0.25"));
    panel->setRateCode(-1);
    EXPECT_TRUE(panel->rateText().isEmpty());

    panel->setGpsValid(true);
    panel->Reset();
    EXPECT_TRUE(panel->dateText().isEmpty()); // position -1
    EXPECT_TRUE(panel->accelerationText(0).isEmpty());
    EXPECT_TRUE(panel->speedOrVoltageText().isEmpty());
}

TEST_F(PanelFixture, AxisButtonsToggleAndPost)
{
    ui::CSkinCheckButton* y = panel->axisButtonWidget(1);
    ASSERT_NE(y, nullptr);
    EXPECT_EQ(y->controlId(), 38601);
    EXPECT_TRUE(panel->axisButton(1));
    y->click();
    EXPECT_FALSE(panel->axisButton(1));
    y->click();
    EXPECT_TRUE(panel->axisButton(1));
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(toggles.size(), 2u);
    EXPECT_EQ(toggles[0], std::make_pair(1, 0));
    EXPECT_EQ(toggles[1], std::make_pair(1, 1));
    EXPECT_TRUE(panel->axisButton(0));
    EXPECT_TRUE(panel->axisButton(2));
}

TEST_F(PanelFixture, PaintsTheFrameAndItsPlaceholders)
{
    QImage empty(panel->size(), QImage::Format_RGB32);
    ASSERT_TRUE(panel->Paint(empty));
    viewstest::saveSnapshot(panel->grab().toImage(), "info-empty");

    panel->setStartTime(aprilNoon());
    panel->setMsPerFrame(33.333f);
    panel->setPosition(300);
    panel->setAcceleration(0.12, -0.34, 1.02);
    panel->setSpeed(48.0);
    panel->setGpsValid(true);
    panel->setStatusLetter('R');
    panel->setQualityCode(3);
    panel->setRateCode(1);
    QImage full(panel->size(), QImage::Format_RGB32);
    ASSERT_TRUE(panel->Paint(full));
    viewstest::saveSnapshot(panel->grab().toImage(), "info-frame");
    EXPECT_NE(full, empty); // values replace the placeholders

    panel->setVoltageMode(true);
    panel->setVoltageTenths(125);
    viewstest::saveSnapshot(panel->grab().toImage(), "info-voltage");

    QWidget none;
    CInfoDlg zero(&none);
    zero.resize(0, 0);
    QImage img(10, 10, QImage::Format_RGB32);
    EXPECT_FALSE(zero.Paint(img));
}

// The speaker badge lands at the bottom right of the main window's surface, beside the volume
// slider, and touches nothing else; a window without width gets nothing.
TEST_F(PanelFixture, ModeBadgeSitsBesideTheVolumeSlider)
{
    const QSize client(1120, 697);
    QImage surface(client, QImage::Format_RGB32);
    surface.fill(QColor(10, 20, 30));
    const QImage before = surface;
    {
        QPainter p(&surface);
        panel->PaintModeBadge(p, QSize(0, 697));
    }
    EXPECT_EQ(surface, before);
    {
        QPainter p(&surface);
        panel->PaintModeBadge(p, client);
    }
    const QRect badge(client.width() - 155, client.height() - 30, 30, 21);
    bool changedInside = false;
    for (int y = 0; y < client.height(); ++y)
        for (int x = 0; x < client.width(); ++x)
            if (surface.pixel(x, y) != before.pixel(x, y)) {
                ASSERT_TRUE(badge.contains(x, y)) << x << "," << y;
                changedInside = true;
            }
    EXPECT_TRUE(changedInside);
}

} // namespace
} // namespace kivora::views
