#include "kivora/views/VehicleGauge.h"
#include "kivora/views/CObdDlg.h"

#include "ViewsTestSupport.h"

#include "kivora/platform/MessageTable.h"
#include "kivora/views/ViewMessages.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QPainter>

#include <gtest/gtest.h>

namespace kivora::views {
namespace {

recording::VehicleSample vehicle(
    std::uint16_t v0, std::uint16_t v1, std::uint16_t v2, std::uint16_t v3, std::uint16_t v7)
{
    recording::VehicleSample s;
    s.values[0] = v0;
    s.values[1] = v1;
    s.values[2] = v2;
    s.values[3] = v3;
    s.values[7] = v7;
    return s;
}

TEST(VehicleGauge, QuantitiesFromRawValues)
{
    VehicleQuantities q;
    q.update(vehicle(20, 351, 4567, 250, 995));
    EXPECT_EQ(q.values(), (std::array<std::int32_t, 5> { 99, 45, 340, -20, 250 }));

    // 0x2020 is no data (quantity 2 rests at 90); 0x3FFF keeps the last value.
    q.update(vehicle(0x3FFF, 0x2020, 0x3FFF, 0x2020, 0x2020));
    EXPECT_EQ(q.values(), (std::array<std::int32_t, 5> { 0, 45, 90, -20, 0 }));
}

TEST(VehicleGauge, NeedleScalesAndLimits)
{
    EXPECT_DOUBLE_EQ(needleAngle(0, 0), 261.5);
    EXPECT_DOUBLE_EQ(needleAngle(0, 100), 99.0);
    EXPECT_DOUBLE_EQ(needleAngle(2, 0), 251.5);
    EXPECT_DOUBLE_EQ(needleAngle(2, 220), 108.0);
    EXPECT_DOUBLE_EQ(needleAngle(3, 105), 108.0);
    EXPECT_DOUBLE_EQ(needleAngle(4, 400), 99.0); // over the top stays at the end
    EXPECT_DOUBLE_EQ(needleAngle(3, -20), 261.5);
    EXPECT_EQ(gaugeMaximum(2), 220);
    EXPECT_EQ(gaugeDialId(4), 325);
}

TEST(VehicleGauge, NeedleStepsTowardsTheValue)
{
    GaugeSlot slot;
    EXPECT_FALSE(slot.tick(50)); // nothing selected
    slot.select(4);
    int ticks = 0;
    while (slot.shownValue() != 300 && ticks < 100) {
        slot.tick(300);
        ++ticks;
    }
    EXPECT_EQ(ticks, 39); // 37 × 8, then 2 and 2: about two seconds
    EXPECT_FALSE(slot.tick(300) && slot.animating());

    // Quantity 3 below zero shows 0; quantity 2 moves by 6, then by 1.
    GaugeSlot q3;
    q3.select(3);
    q3.tick(-20);
    EXPECT_EQ(q3.shownValue(), 0);
    EXPECT_EQ(GaugeSlot::stepTowards(2, 90, 100), 96);
    EXPECT_EQ(GaugeSlot::stepTowards(2, 96, 100), 97);
    EXPECT_EQ(GaugeSlot::stepTowards(0, 10, 11), 11);
    EXPECT_EQ(GaugeSlot::stepTowards(0, 10, 0), 8);
}

TEST(VehicleGauge, WindowRunsGaugesAndReportsClosing)
{
    viewstest::app();
    QWidget owner;
    std::vector<unsigned> closed;
    platform::MessageTable table(&owner);
    table.on(kMsgVehicleWindowClosed, [&](platform::WParam, platform::LParam) { closed.push_back(1); });

    CObdDlg window(table.target());
    EXPECT_FALSE(window.isVisible());
    window.setValues({ 40, 60, 150, 80, 200 });
    window.selector(0)->setCurrentIndex(1 + 0);
    window.selector(2)->setCurrentIndex(1 + 4);
    EXPECT_TRUE(window.timerRunning(0));
    for (int i = 0; i < 40; ++i) {
        window.tickSlot(0);
        window.tickSlot(2);
    }
    EXPECT_EQ(window.slot(0).shownValue(), 40);
    EXPECT_EQ(window.slot(2).shownValue(), 200);

    QImage image(window.size(), QImage::Format_RGB32);
    image.fill(QColor(0x1d, 0x21, 0x27));
    {
        QPainter p(&image);
        window.renderGauges(p);
    }
    viewstest::saveSnapshot(image, "vehicle");

    window.show();
    window.close();
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.timerRunning(0));
    EXPECT_EQ(closed.size(), 1u);
}

} // namespace
} // namespace kivora::views
