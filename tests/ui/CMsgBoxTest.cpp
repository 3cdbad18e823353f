#include "kivora/ui/CMsgBox.h"
#include "kivora/ui/CMsgDlg.h"
#include "kivora/ui/CSkinButton.h"

#include "tests/ui/UiTestApp.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace kivora::ui;

namespace {

TEST(MsgDlg, TwoLineMessageIsAsWideAsItsLongerLinePlusEighty)
{
    kivora::uitest::app();
    const SkinStyle style = SkinStyle::forScale(1.0);
    const QString shortLine = QString::fromUtf8("完了しました。");
    const QString longLine = QString::fromUtf8("動画ファイルの保存に失敗しました。もう一度お試しください。");
    const QFontMetrics metrics(style.f10);

    // "\r\n" and "\n" both break lines.
    for (const char* brk : { "\n", "\r\n" }) {
        const QString text = shortLine + QString::fromLatin1(brk) + longLine;
        const QSize measured = CMsgDlg::measureText(text, style.f10);
        EXPECT_EQ(measured, QSize(metrics.horizontalAdvance(longLine), 2 * metrics.height()));

        CMsgDlg dialog(text, QStringLiteral("ERROR"), CMsgDlg::OkOnly, nullptr, style);
        const CMsgDlg::Layout& l = dialog.layout();
        EXPECT_EQ(l.textBox.width(), measured.width() + 80);
        EXPECT_EQ(l.textBox.height(), measured.height() + 60);
        EXPECT_EQ(dialog.size(), QSize(measured.width() + 80, measured.height() + 60 + 80));
        EXPECT_EQ(
            dialog.textLabel()->geometry(), QRect(40, 30, measured.width() + 40, measured.height() + 30));
        EXPECT_EQ(dialog.textLabel()->text(), shortLine + QLatin1Char('\n') + longLine);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ERROR"));
    }
}

TEST(MsgDlg, ButtonPlacesForOkAndOkCancel)
{
    kivora::uitest::app();
    // A measured text of 300 × 40 at scale 1: box 380 × 100, dialog 380 × 180.
    const CMsgDlg::Layout ok = CMsgDlg::computeLayout({ 300, 40 }, CMsgDlg::OkOnly, 1.0);
    EXPECT_EQ(ok.dialog, QSize(380, 180));
    EXPECT_EQ(ok.ok, QRect(380 - 15 - 100, 180 - 15 - 30, 100, 30));
    EXPECT_TRUE(ok.cancel.isNull());

    const CMsgDlg::Layout both = CMsgDlg::computeLayout({ 300, 40 }, CMsgDlg::OkCancel, 1.0);
    EXPECT_EQ(both.cancel, QRect(265, 135, 100, 30));
    EXPECT_EQ(both.ok, QRect(265 - 115, 135, 100, 30));

    // Every length is truncated on its own: s = 1.5 gives int(40s) = 60, int(15s) = 22, int(100s) = 150.
    const CMsgDlg::Layout scaled = CMsgDlg::computeLayout({ 301, 41 }, CMsgDlg::OkCancel, 1.5);
    EXPECT_EQ(scaled.textBox, QSize(451 + 120, 61 + 90));
    EXPECT_EQ(scaled.dialog, QSize(571, 151 + 90 + 30));
    EXPECT_EQ(scaled.cancel, QRect(571 - 22 - 150, 271 - 22 - 45, 150, 45));
    EXPECT_EQ(scaled.ok, QRect(571 - 22 - 150 - 172, 271 - 22 - 45, 150, 45));

    EXPECT_FALSE(CMsgDlg::computeLayout({ 300, 40 }, 7, 1.0).buttonsPlaced);

    const SkinStyle style = SkinStyle::forScale(1.0);
    CMsgDlg okOnly(QStringLiteral("x"), QStringLiteral("ERROR"), CMsgDlg::OkOnly, nullptr, style);
    EXPECT_TRUE(okOnly.okButton()->isVisibleTo(&okOnly));
    EXPECT_FALSE(okOnly.cancelButton()->isVisibleTo(&okOnly));
    EXPECT_EQ(okOnly.okButton()->geometry(), okOnly.layout().ok);
    CMsgDlg question(QStringLiteral("x"), QString::fromUtf8("確認"), CMsgDlg::OkCancel, nullptr, style);
    EXPECT_TRUE(question.cancelButton()->isVisibleTo(&question));
    EXPECT_EQ(question.cancelButton()->geometry(), question.layout().cancel);
    EXPECT_EQ(question.okButton()->geometry(), question.layout().ok);
}

TEST(MsgDlg, WhiteAboveTheButtonStripAndCentredOverTheOwner)
{
    kivora::uitest::app();
    QWidget owner;
    owner.setGeometry(200, 150, 800, 600);
    CMsgDlg dialog(QStringLiteral("message"), QStringLiteral("ERROR"), CMsgDlg::OkOnly, &owner,
        SkinStyle::forScale(1.0));
    const QRect frame = dialog.frameGeometry();
    EXPECT_LE(std::abs(frame.center().x() - owner.frameGeometry().center().x()), 1);
    EXPECT_LE(std::abs(frame.center().y() - owner.frameGeometry().center().y()), 1);

    const QImage shot = dialog.grab().toImage();
    const int h = dialog.height();
    EXPECT_EQ(shot.pixelColor(5, h - 61).rgb(), QColor(Qt::white).rgb());
    EXPECT_EQ(shot.pixelColor(5, h - 60).rgb(), CSkinDialog::kBackground.rgb());
}

// Answers the next modal dialog with a click on the given button once the event loop runs it.
void answerNextBox(int button)
{
    QTimer::singleShot(0, [button] {
        auto* dialog = dynamic_cast<CMsgDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        if (button == CMsgDlg::kOkId)
            dialog->okButton()->click();
        else if (button == CMsgDlg::kCancelId)
            dialog->cancelButton()->click();
        else
            dialog->closeButton()->click();
    });
}

TEST(MsgBox, ShowReturnsTheAnswer)
{
    kivora::uitest::app();
    CMsgBox box;
    answerNextBox(CMsgDlg::kOkId);
    EXPECT_EQ(box.show(QStringLiteral("Continue?"), QString::fromUtf8("確認"), 1), CMsgBox::kIdOk);
    answerNextBox(CMsgDlg::kCancelId);
    EXPECT_EQ(box.show(QStringLiteral("Continue?"), QString::fromUtf8("確認"), 1), CMsgBox::kIdCancel);
    answerNextBox(0); // the close button of the skinned frame
    EXPECT_EQ(box.show(QStringLiteral("Failed"), QStringLiteral("ERROR"), 0), CMsgBox::kIdCancel);
}

} // namespace
