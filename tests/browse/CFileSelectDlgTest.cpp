#include "kivora/browse/CFileSelectDlg.h"
#include "kivora/ui/CSkinCheckButton.h"
#include "kivora/ui/CSkinListCtrl.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace kivora::browse {
namespace {

std::vector<recording::RecordingEntry> rows(int n)
{
    std::vector<recording::RecordingEntry> out;
    for (int i = 0; i < n; ++i) {
        recording::RecordingEntry e;
        e.path = "/card/Video/A___-230115-083000-" + std::to_string(100000 + i) + "M.MOV";
        e.mainSize = 3 * 1048576;
        e.subSize = 1048576;
        e.marked = i == 1;
        out.push_back(e);
    }
    return out;
}

TEST(CFileSelectDlg, TicksFollowTheRunRuleWithoutReenteringIt)
{
    CFileSelectDlg dlg(FileSelection::Concatenate);
    dlg.setGivenEntries(rows(10));
    ui::CSkinListCtrl* list = dlg.list();
    ASSERT_EQ(list->rowCount(), 10);
    EXPECT_FALSE(dlg.okButton()->isEnabled());
    EXPECT_FALSE(dlg.showAllButton()->isVisibleTo(&dlg));
    list->setItemState(2, ui::CSkinListCtrl::Ticked);
    list->setItemState(6, ui::CSkinListCtrl::Ticked);
    std::string ticks;
    for (int i = 0; i < 10; ++i)
        ticks += list->itemState(i) == ui::CSkinListCtrl::Ticked ? 'x' : '.';
    EXPECT_EQ(ticks, "..xxxxx...");
    EXPECT_EQ(dlg.totalLabel()->text(), "20 MB");
    EXPECT_TRUE(dlg.okButton()->isEnabled());
    list->setItemState(4, ui::CSkinListCtrl::Unticked);
    EXPECT_EQ(list->itemState(5), ui::CSkinListCtrl::Unticked);
    EXPECT_EQ(list->itemState(6), ui::CSkinListCtrl::Unticked);
    // A saved recording stands out.
    EXPECT_EQ(list->topLevelItem(1)->background(0).color(), QColor(255, 255, 0));
    EXPECT_EQ(list->topLevelItem(1)->foreground(0).color(), QColor(255, 0, 255));
    EXPECT_EQ(dlg.pressOk(), 0);
    EXPECT_EQ(dlg.result().size(), 2u);
    EXPECT_EQ(dlg.result()[0].path.filename().string(), "A___-230115-083000-100002M.MOV");
}

TEST(CFileSelectDlg, TickAllAndShowAllInDeleteMode)
{
    CFileSelectDlg dlg(FileSelection::Delete);
    EXPECT_TRUE(dlg.setSourceEntries(rows(7)));
    dlg.setGivenEntries(rows(3));
    EXPECT_EQ(dlg.list()->rowCount(), 3);
    dlg.showAllButton()->click();
    EXPECT_EQ(dlg.list()->rowCount(), 7);
    dlg.tickAllButton()->click();
    EXPECT_EQ(dlg.list()->itemState(6), ui::CSkinListCtrl::Ticked);
    EXPECT_EQ(dlg.totalLabel()->text(), "28 MB");
    dlg.tickAllButton()->click();
    EXPECT_EQ(dlg.list()->itemState(6), ui::CSkinListCtrl::Unticked);
    EXPECT_FALSE(dlg.okButton()->isEnabled());
}

} // namespace
} // namespace kivora::browse

namespace kivora::browse {
namespace {

TEST(CFileSelectDlg, MoreThan1500EntriesAreCutWithAMessage)
{
    CFileSelectDlg dlg(FileSelection::Delete);
    QString shown;
    // The message box is modal: answer it as a user would.
    QTimer::singleShot(100, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            for (const QLabel* label : box->findChildren<QLabel*>())
                shown += label->text();
            box->close();
        }
    });
    dlg.setGivenEntries(rows(1501));
    EXPECT_EQ(dlg.list()->rowCount(), 1500);
    EXPECT_TRUE(shown.contains(QStringLiteral("1500"))) << shown.toStdString();
}

} // namespace
} // namespace kivora::browse

namespace kivora::browse {
namespace {

TEST(CFileSelectDlg, DrawsAtItsDesignSize)
{
    CFileSelectDlg dlg(FileSelection::Concatenate);
    dlg.setGivenEntries(rows(12));
    dlg.list()->setItemState(3, ui::CSkinListCtrl::Ticked);
    dlg.list()->setItemState(5, ui::CSkinListCtrl::Ticked);
    const QImage image = dlg.grab().toImage();
    EXPECT_EQ(image.size(), QSize(520, 500));
    if (const char* shots = std::getenv("KIVORA_BROWSE_SHOTS"))
        image.save(QString("%1/file-select-dialog.png").arg(shots));
}

} // namespace
} // namespace kivora::browse

namespace kivora::browse {
namespace {

TEST(CFileSelectDlg, ASelectionOverTheSizeLimitIsRedAndRefused)
{
    auto big = rows(2);
    big[0].mainSize = big[1].mainSize = 512ull * 1048576;
    CFileSelectDlg dlg(FileSelection::Concatenate);
    dlg.setGivenEntries(big);
    dlg.list()->setItemState(0, ui::CSkinListCtrl::Ticked);
    EXPECT_NE(dlg.totalLabel()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    dlg.list()->setItemState(1, ui::CSkinListCtrl::Ticked);
    EXPECT_EQ(dlg.totalLabel()->text(), "1026 MB");
    EXPECT_EQ(dlg.totalLabel()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QTimer::singleShot(100, [] {
        if (QWidget* box = QApplication::activeModalWidget())
            box->close();
    });
    EXPECT_EQ(dlg.pressOk(), FileSelection::kSlotTooBig);
    EXPECT_TRUE(dlg.result().empty());
}

} // namespace
} // namespace kivora::browse
