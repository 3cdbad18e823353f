// The main window with the browser panel, started without an argument: the remembered folder
// source loads, its tree and list fill and the first recording plays, reached with one folder
// change and one open; the folder's removal is handled once and empties the list.

#include "kivora/app/CkivoraDlg.h"
#include "kivora/browse/BrowseMessages.h"
#include "kivora/platform/PostMessage.h"
#include "tests/app/WindowCard.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <QTreeWidget>

#include <fstream>

using namespace kivora;
namespace fs = std::filesystem;

namespace {

// Counts the removal messages the window receives (it handles each one it receives).
class RemovalCounter : public QObject {
public:
    int removed = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == platform::MessageEvent::eventType()
            && static_cast<platform::MessageEvent*>(event)->message() == browse::kMsgSourceRemoved)
            ++removed;
        return false;
    }
};

class BrowserWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        card = work.path() / "card";
        democard::CardOptions o = kivora::app::test::windowCardOptions(card, 2, 3.0);
        o.tiny = true;
        const auto made = democard::writeCard(o);
        ASSERT_TRUE(made.value.has_value()) << made.error;
        previous = fs::current_path();
        fs::current_path(work.path());
    }
    void TearDown() override { fs::current_path(previous); }

    void rememberFolder(const fs::path& folder)
    {
        std::ofstream(work.path() / "Default_Folder.ini")
            << "[SOURCE]\nSELECT=FOLDER\nFOLDER=" << folder.string() << "\n";
    }

    TempFolder work;
    fs::path card;
    fs::path previous;
};

// Opens the window over the remembered folder and waits until its first recording plays; counts
// the tree's reports of a new selected folder on the way.
struct PlayingWindow {
    app::CkivoraDlg dlg;
    RemovalCounter removals;
    int folderReports = 0;
    bool played = false;

    PlayingWindow()
    {
        dlg.installEventFilter(&removals);
        auto* tree = dlg.browser().widget()->findChild<QTreeWidget*>();
        if (tree)
            QObject::connect(tree, &QTreeWidget::currentItemChanged, &dlg,
                [this](QTreeWidgetItem* current) { folderReports += current ? 1 : 0; });
        dlg.show();
        played = processEventsUntil([&] { return dlg.openSequence().opened() && dlg.clockRunning(); }, 30000);
    }
};

} // namespace

TEST_F(BrowserWindow, TheRememberedFolderPlaysAndItsRemovalIsHandledOnce)
{
    rememberFolder(card / "Normal");
    PlayingWindow w;
    app::CkivoraDlg& dlg = w.dlg;
    EXPECT_TRUE(w.played) << "rows " << dlg.browser().Count();
    EXPECT_EQ(
        dlg.browser().sourceKind().value_or(recording::SourceKind::Card), recording::SourceKind::Folder);
    EXPECT_NE(dlg.browser().selectedFolder(), nullptr);
    EXPECT_GT(dlg.browser().Count(), 0);
    ASSERT_NE(dlg.browser().widget(), nullptr);
    EXPECT_TRUE(dlg.browser().widget()->isVisible());

    fs::remove_all(card / "Normal");
    EXPECT_TRUE(processEventsUntil([&] { return dlg.browser().Count() == 0; }, 10000));
    // Long enough for a second report, had the watcher sent one.
    processEventsUntil([] { return false; }, 500);
    EXPECT_EQ(w.removals.removed, 1);
    EXPECT_FALSE(dlg.openSequence().opened());
    EXPECT_TRUE(dlg.listMarkedEmpty());
}

TEST_F(BrowserWindow, ACardRootRememberedAsAFolderPlaysItsFirstGroupWithOneOpen)
{
    rememberFolder(card);
    PlayingWindow w;
    app::CkivoraDlg& dlg = w.dlg;
    EXPECT_TRUE(w.played) << "rows " << dlg.browser().Count();
    EXPECT_EQ(
        dlg.browser().sourceKind().value_or(recording::SourceKind::Card), recording::SourceKind::Folder);
    auto* tree = dlg.browser().widget()->findChild<QTreeWidget*>();
    ASSERT_NE(tree, nullptr);
    QTreeWidgetItem* group = tree->currentItem();
    ASSERT_NE(group, nullptr);
    ASSERT_NE(group->parent(), nullptr);
    EXPECT_EQ(group->parent()->text(0), QStringLiteral("Normal"));
    EXPECT_GT(dlg.browser().Count(), 0);
    EXPECT_EQ(dlg.openSequence().openedIndex(), 0);
    // The load goes straight to the group: one folder change, one open.
    processEventsUntil([] { return false; }, 700);
    EXPECT_EQ(w.folderReports, 1);
    EXPECT_EQ(dlg.openSequence().generation(), 1u);
    EXPECT_EQ(w.removals.removed, 0);
}
