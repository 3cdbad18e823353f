#include "kivora/ui/CSkinDialog.h"
#include "kivora/ui/CSkinButton.h"

#include "tests/ui/SkinControlsTestSupport.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace kivora::ui;
using kivora::uitest::sendMouse;

namespace {

void pressKey(QWidget* target, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    // Through notify(), as the event loop delivers keys, so application filters see it.
    QCoreApplication::sendEvent(target, &press);
    QCoreApplication::sendEvent(target, &release);
}

TEST(SkinDialog, HitTestAreas)
{
    using H = CSkinDialog::HitArea;
    struct Case {
        QPoint at;
        double scale;
        H area;
    };
    const Case cases[] = {
        { { 2, 2 }, 1.0, H::Client }, // top-left corner
        { { 397, 2 }, 1.0, H::Client }, // top-right corner
        { { 200, 5 }, 1.0, H::Client }, // top border strip
        { { 200, 6 }, 1.0, H::Caption },
        { { 200, 23 }, 1.0, H::Caption },
        { { 200, 24 }, 1.0, H::Client },
        { { 200, 11 }, 2.0, H::Client },
        { { 200, 12 }, 2.0, H::Caption },
        { { 200, 47 }, 2.0, H::Caption },
        { { 200, 48 }, 2.0, H::Client },
    };
    for (const Case& c : cases)
        EXPECT_EQ(CSkinDialog::hitTest(c.at, 400, c.scale), c.area)
            << c.at.x() << "," << c.at.y() << " at " << c.scale;
}

TEST(SkinDialog, FramelessWithTheCloseButtonInItsPlace)
{
    kivora::uitest::app();
    for (double scale : { 1.0, 1.5, 2.0 }) {
        const SkinStyle style = SkinStyle::forScale(scale);
        CSkinDialog dialog(nullptr, style);
        dialog.resize(300, 200);
        dialog.show();
        EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
        const CSkinButton* close = dialog.closeButton();
        ASSERT_NE(close, nullptr);
        EXPECT_EQ(close->geometry(), QRect(300 - style.s(20), style.s(4), style.s(13), style.s(12)));
        EXPECT_EQ(close->imageId(), 352);
        EXPECT_TRUE(close->hasImage());
        EXPECT_EQ(close->skinStyle().uiScale, scale) << "the close strip is taken at the dialog's scale";
        dialog.resize(500, 260); // follows a resize
        EXPECT_EQ(close->geometry().topLeft(), QPoint(500 - style.s(20), style.s(4)));
    }
}

TEST(SkinDialog, EnterAndEscapeNeverEndIt)
{
    kivora::uitest::app();
    CSkinDialog dialog(nullptr, SkinStyle::forScale(1.0));
    dialog.resize(300, 200);
    auto* edit = new QLineEdit(&dialog);
    auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
    ok->setDefault(true);
    int okClicks = 0;
    QObject::connect(ok, &QPushButton::clicked, [&] { ++okClicks; });
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    int finished = 0;
    QObject::connect(&dialog, &QDialog::finished, [&] { ++finished; });
    dialog.show();
    edit->setFocus();

    for (QWidget* target : std::initializer_list<QWidget*> { &dialog, edit, ok })
        for (int key : { Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape })
            pressKey(target, key);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(finished, 0);
    EXPECT_EQ(okClicks, 0);

    // Other keys still reach the controls.
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QCoreApplication::sendEvent(edit, &typed);
    EXPECT_EQ(edit->text(), QStringLiteral("a"));

    // The close button ends it as cancelled.
    dialog.closeButton()->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST(SkinDialog, DraggedByItsTopStripOnly)
{
    kivora::uitest::app();
    const SkinStyle style = SkinStyle::forScale(1.0);
    CSkinDialog dialog(nullptr, style);
    dialog.setGeometry(100, 100, 300, 200);
    dialog.show();
    const QPoint start = dialog.pos();

    sendMouse(&dialog, QEvent::MouseButtonPress, QPoint(50, 10));
    EXPECT_TRUE(dialog.isDragging());
    sendMouse(&dialog, QEvent::MouseMove, QPoint(80, 30), Qt::LeftButton);
    EXPECT_EQ(dialog.pos(), start + QPoint(30, 20));
    sendMouse(&dialog, QEvent::MouseButtonRelease, QPoint(80, 30));
    EXPECT_FALSE(dialog.isDragging());

    const QPoint moved = dialog.pos();
    sendMouse(&dialog, QEvent::MouseButtonPress, QPoint(50, 100)); // the body does not drag
    EXPECT_FALSE(dialog.isDragging());
    sendMouse(&dialog, QEvent::MouseMove, QPoint(90, 140), Qt::LeftButton);
    sendMouse(&dialog, QEvent::MouseButtonRelease, QPoint(90, 140));
    EXPECT_EQ(dialog.pos(), moved);
}

TEST(SkinDialog, TitleStripIsGreyWithTheTitle)
{
    kivora::uitest::app();
    CSkinDialog dialog(nullptr, SkinStyle::forScale(1.0));
    dialog.resize(300, 100);
    dialog.setWindowTitle(QStringLiteral("Map"));
    dialog.setTitleStripVisible(true);
    const QImage shot = dialog.grab().toImage();
    EXPECT_EQ(shot.pixelColor(150, 2).rgb(), QColor(128, 128, 128).rgb());
    EXPECT_EQ(shot.pixelColor(150, 19).rgb(), QColor(128, 128, 128).rgb());
    EXPECT_EQ(shot.pixelColor(150, 20).rgb(), CSkinDialog::kBackground.rgb());
    int titlePixels = 0;
    for (int y = 1; y < 20; ++y)
        for (int x = 5; x < 60; ++x)
            titlePixels += shot.pixelColor(x, y).rgb() != QColor(128, 128, 128).rgb();
    EXPECT_GT(titlePixels, 10);
}

} // namespace
