// The main window with the browser panel, started without an argument: the remembered folder
// source (the card's movie folder) loads, its tree and list fill and the first recording plays; the folder's
// removal empties the list.

#include "kivora/app/CkivoraDlg.h"
#include "tests/app/WindowCard.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace kivora;
namespace fs = std::filesystem;

TEST(BrowserWindow, TheRememberedFolderPlaysAndItsRemovalEmptiesTheList)
{
    TempFolder work;
    const fs::path card = work.path() / "card";
    democard::CardOptions o = kivora::app::test::windowCardOptions(card, 2, 3.0);
    o.tiny = true;
    const auto made = democard::writeCard(o);
    ASSERT_TRUE(made.value.has_value()) << made.error;
    const fs::path previous = fs::current_path();
    fs::current_path(work.path());
    std::ofstream(work.path() / "Default_Folder.ini")
        << "[SOURCE]\nSELECT=2\nFOLDER=" << (card / "Normal").string() << "\n";
    {
        app::CkivoraDlg dlg;
        dlg.show();
        const bool played
            = processEventsUntil([&] { return dlg.openSequence().opened() && dlg.clockRunning(); }, 30000);
        EXPECT_TRUE(played) << "rows " << dlg.browser().Count();
        EXPECT_EQ(
            dlg.browser().sourceKind().value_or(recording::SourceKind::Card), recording::SourceKind::Folder);
        EXPECT_NE(dlg.browser().selectedFolder(), nullptr);
        EXPECT_GT(dlg.browser().Count(), 0);
        ASSERT_NE(dlg.browser().widget(), nullptr);
        EXPECT_TRUE(dlg.browser().widget()->isVisible());

        fs::remove_all(card / "Normal");
        EXPECT_TRUE(processEventsUntil([&] { return dlg.browser().Count() == 0; }, 10000));
        EXPECT_FALSE(dlg.openSequence().opened());
        EXPECT_TRUE(dlg.listMarkedEmpty());
    }
    fs::current_path(previous);
}
