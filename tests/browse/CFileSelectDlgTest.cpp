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
