#include "kivora/browse/CFileListCtrl.h"

#include <QScrollBar>

#include <gtest/gtest.h>

namespace kivora::browse {
namespace {

std::vector<recording::RecordingEntry> recordings(int n)
{
    std::vector<recording::RecordingEntry> out;
    for (int i = 0; i < n; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "%s-230115-083000-%06dM.MOV", i % 3 ? "A___" : "AG__", i + 1);
        recording::RecordingEntry e;
        e.path = name;
        out.push_back(e);
    }
    return out;
}

TEST(CFileListCtrl, TheScrollBarAlwaysShowsAndRangesOverTheRows)
{
    CFileListCtrl list(nullptr, nullptr, 1.0);
    list.resize(240, 5 * list.rowHeight() + 2 * list.frameWidth());
    list.show();
    QScrollBar* bar = list.verticalScrollBar();
    EXPECT_EQ(bar->minimum(), -1);
    EXPECT_EQ(bar->maximum(), -1);

    list.setRecordings(recordings(12));
    list.Refill();
    list.doItemsLayout();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 12 - 5 + 1);
    // At the far end the last row shows, above one empty row.
    bar->setValue(bar->maximum());
    const QImage image = list.viewport()->grab().toImage();
    const QRect last = list.visualItemRect(list.item(11));
    EXPECT_TRUE(list.viewport()->rect().contains(last.center()));
    EXPECT_EQ(image.pixelColor(last.center().x(), last.bottom() + list.rowHeight() / 2), QColor(Qt::white));

    list.Clear();
    list.doItemsLayout();
    EXPECT_EQ(bar->minimum(), -1);
    EXPECT_EQ(bar->maximum(), -1);
    EXPECT_TRUE(bar->isVisible());
}

} // namespace
} // namespace kivora::browse
