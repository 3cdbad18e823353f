#include "kivora/ui/CSkinListCtrl.h"

#include "tests/ui/SkinControlsTestSupport.h"

#include <gtest/gtest.h>

using namespace kivora::ui;
using kivora::uitest::sendMouse;

namespace {

TEST(SkinListCtrl, HoverAndClickStates)
{
    kivora::uitest::app();
    CSkinListCtrl list(nullptr, SkinStyle::forScale(1.0));
    list.setColumnCount(2);
    list.resize(400, 300);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(list.addRow({ QStringLiteral("row %1").arg(i), QStringLiteral("%1 MB").arg(i) }), i);
    list.show();
    std::vector<std::tuple<int, int, int>> changes;
    QObject::connect(&list, &CSkinListCtrl::itemStateChanged,
        [&](int row, int from, int to) { changes.emplace_back(row, from, to); });

    const auto rowPoint = [&](int row) { return list.visualItemRect(list.topLevelItem(row)).center(); };
    QWidget* view = list.viewport();

    sendMouse(view, QEvent::MouseMove, rowPoint(1));
    EXPECT_EQ(list.hoverItem(), 1);
    EXPECT_EQ(list.itemState(1), CSkinListCtrl::Hover);
    sendMouse(view, QEvent::MouseMove, rowPoint(2));
    EXPECT_EQ(list.itemState(1), CSkinListCtrl::Unticked);
    EXPECT_EQ(list.itemState(2), CSkinListCtrl::Hover);

    // A click ticks a row under the mouse; a second click unticks it; moving on leaves it ticked.
    sendMouse(view, QEvent::MouseButtonPress, rowPoint(2));
    sendMouse(view, QEvent::MouseButtonRelease, rowPoint(2));
    EXPECT_EQ(list.itemState(2), CSkinListCtrl::Ticked);
    sendMouse(view, QEvent::MouseMove, rowPoint(3));
    EXPECT_EQ(list.itemState(2), CSkinListCtrl::Ticked);
    EXPECT_EQ(list.itemState(3), CSkinListCtrl::Hover);
    sendMouse(view, QEvent::MouseButtonPress, rowPoint(2));
    sendMouse(view, QEvent::MouseButtonRelease, rowPoint(2));
    EXPECT_EQ(list.itemState(2), CSkinListCtrl::Unticked);

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(view, &leave);
    EXPECT_EQ(list.hoverItem(), -1);
    for (int i = 0; i < 4; ++i)
        EXPECT_NE(list.itemState(i), CSkinListCtrl::Hover) << i;

    EXPECT_EQ(changes.front(), std::make_tuple(1, 1, 2));
    EXPECT_EQ(list.itemState(9), 0);
}

} // namespace
