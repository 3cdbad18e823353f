// The separate video window and the logo panel: what they tell the main window, how they keep their
// size and place, and what they paint.

#include "kivora/app/CMovieDialog.h"
#include "kivora/app/AppMessages.h"
#include "kivora/app/CLogoDlg.h"
#include "kivora/platform/MessageTable.h"
#include "kivora/ui/CResourceImage.h"
#include "kivora/ui/CSkinButton.h"
#include "kivora/ui/UiTextQt.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

using namespace kivora;
using namespace kivora::app;

namespace {

// The main window as far as the separate window is concerned: it collects the posted messages.
struct Parent {
    Parent()
    {
        for (unsigned m : { kMsgVideoWindowPainted, kMsgVideoWindowClosed, kMsgVideoWindowRedock,
                 kMsgVideoWindowDpiChanged })
            messages.on(m, [this, m](platform::WParam, platform::LParam) { received.push_back(m); });
    }
    int count(unsigned message) const { return int(std::count(received.begin(), received.end(), message)); }
    void take()
    {
        QApplication::processEvents();
        QApplication::processEvents();
    }

    QWidget window;
    platform::MessageTable messages { &window };
    std::vector<unsigned> received;
};

} // namespace

TEST(MovieDialog, TellsItsParentAboutPaintCloseTitleDoubleClickAndDpi)
{
    Parent parent;
    CMovieDialog dialog(&parent.window);
    dialog.setTitleSlot(151);
    EXPECT_EQ(dialog.windowTitle(), ui::uiQText(151));
    dialog.place(QRect(100, 100, 452, 368));
    dialog.show();
    dialog.repaint();
    parent.take();
    EXPECT_GE(parent.count(kMsgVideoWindowPainted), 1);

    // A double-click counts only in the title strip.
    parent.received.clear();
    QTest::mouseDClick(&dialog, Qt::LeftButton, {}, QPoint(100, 30));
    QTest::mouseDClick(&dialog, Qt::LeftButton, {}, QPoint(100, 5));
    parent.take();
    EXPECT_EQ(parent.count(kMsgVideoWindowRedock), 1);

    dialog.onDpiChanged();
    parent.take();
    EXPECT_EQ(parent.count(kMsgVideoWindowDpiChanged), 1);

    ASSERT_EQ(dialog.closeButton()->controlId(), CMovieDialog::kCloseId);
    dialog.closeButton()->click();
    parent.take();
    EXPECT_EQ(parent.count(kMsgVideoWindowClosed), 1);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(MovieDialog, KeepsItsSizeAndRemembersWhereItWasMoved)
{
    QWidget owner;
    CMovieDialog dialog(&owner);
    dialog.place(QRect(40, 50, 452, 368));
    EXPECT_TRUE(dialog.rememberedRect().isEmpty()); // not shown yet
    dialog.show();
    EXPECT_EQ(dialog.size(), QSize(452, 368));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());

    dialog.resize(600, 500); // as a border drag or maximise would ask
    EXPECT_EQ(dialog.size(), QSize(452, 368));

    dialog.move(70, 80);
    QApplication::processEvents();
    EXPECT_EQ(dialog.rememberedRect(), dialog.frameGeometry());
    EXPECT_EQ(dialog.rememberedRect().topLeft(), QPoint(70, 80));

    dialog.place(QRect(10, 20, 904, 736)); // the owner may resize it
    EXPECT_EQ(dialog.size(), QSize(904, 736));
    EXPECT_EQ(dialog.maximumSize(), QSize(904, 736));

    dialog.hide();
    dialog.move(300, 300);
    QApplication::processEvents();
    EXPECT_EQ(dialog.rememberedRect().topLeft(), QPoint(10, 20)); // moves while hidden are not kept
}

TEST(MovieDialog, FramesTheWholeWindowInGrey)
{
    QWidget owner;
    CMovieDialog dialog(&owner);
    dialog.place(QRect(0, 0, 200, 150));
    const QImage shot = dialog.grab().toImage();
    const QRgb grey = CMovieDialog::kFrameColour.rgb();
    for (const QPoint at : { QPoint(0, 75), QPoint(199, 75), QPoint(100, 0), QPoint(100, 149), QPoint(0, 0) })
        EXPECT_EQ(shot.pixel(at), grey) << at.x() << "," << at.y();
    EXPECT_NE(shot.pixel(100, 75), grey);
}

TEST(LogoDlg, StretchesTheChosenPictureInsideAWhiteFrame)
{
    ui::CResourceImage images;
    images.load(QSize(1120, 697));
    ASSERT_FALSE(images.bitmap(CLogoDlg::kLogoPicture).isNull());
    ASSERT_FALSE(images.bitmap(CLogoDlg::kOfflinePicture).isNull());

    CLogoDlg logo(&images);
    logo.resize(226, 196); // half the pictures' size: the whole picture is squeezed in
    EXPECT_EQ(logo.logoMode(), 1);
    const QImage logoShot = logo.grab().toImage();
    logo.setLogoMode(0);
    const QImage offlineShot = logo.grab().toImage();
    EXPECT_NE(logoShot, offlineShot);

    for (const QImage& shot : { logoShot, offlineShot })
        for (const QPoint at : { QPoint(0, 0), QPoint(225, 100), QPoint(100, 195) })
            EXPECT_EQ(shot.pixel(at), qRgb(255, 255, 255)) << at.x() << "," << at.y();

    // Inside the frame each panel pixel comes from the matching place of its picture.
    const auto expectFrom = [](const QImage& shot, const QImage& picture) {
        int same = 0, total = 0;
        for (int y = 10; y < 190; y += 10)
            for (int x = 10; x < 220; x += 10) {
                const QPoint source(x * picture.width() / 226, y * picture.height() / 196);
                same += shot.pixel(x, y) == picture.pixel(source) ? 1 : 0;
                ++total;
            }
        return double(same) / total;
    };
    EXPECT_GT(
        expectFrom(logoShot, images.bitmap(CLogoDlg::kLogoPicture).convertToFormat(QImage::Format_RGB32)),
        0.9);
    EXPECT_GT(expectFrom(offlineShot,
                  images.bitmap(CLogoDlg::kOfflinePicture).convertToFormat(QImage::Format_RGB32)),
        0.9);
}
