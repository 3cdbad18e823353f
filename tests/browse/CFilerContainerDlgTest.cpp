#include "kivora/browse/CFilerContainerDlg.h"
#include "kivora/browse/CFileListCtrl.h"
#include "kivora/browse/CFolderTreeCtrl.h"
#include "kivora/browse/DriveList.h"
#include "kivora/platform/IniFile.h"
#include "kivora/recording/RecordingName.h"
#include "kivora/ui/CSkinCheckButton.h"

#include "BrowseTestSupport.h"

#include <QImage>

#include <gtest/gtest.h>

namespace kivora::browse {
namespace {

namespace fs = std::filesystem;
using recording::SourceKind;

struct FixedDrives final : IDriveList {
    std::vector<fs::path> roots;
    std::vector<fs::path> removableDrives() const override { return roots; }
};

// The main window's part of the rules, as far as the panel needs it.
struct Owner final : IBrowserOwner {
    CFilerContainerDlg* panel = nullptr;
    std::vector<int> opened; // rows handed over
    int folderChanges = 0;
    void onFolderChanged(FolderNode* item) override
    {
        ++folderChanges;
        if (!item || panel->resetting() || panel->loading())
            return;
        panel->FolderSelected(item, false);
        panel->SelectRow(0, 0);
    }
    void onRecordingSelected(int row) override { opened.push_back(row); }
    void onFilterCommand(int k) override { panel->SetFilter(k, !panel->filter(k)); }
};

class Panel : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new TempFolder;
        ASSERT_TRUE(test::writeCard(*s_dir / "card", 18, { "--layout", "1", "--days", "2" }));
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }

    std::unique_ptr<CFilerContainerDlg> make(double scale = 1.0)
    {
        BrowserPanelDeps deps;
        deps.owner = &owner;
        deps.ownerTarget = removals.messages.target();
        deps.settingsFile = settings.path() / "kivora.ini";
        deps.uiScale = scale;
        deps.drives = drives;
        auto panel = std::make_unique<CFilerContainerDlg>(deps);
        owner.panel = panel.get();
        panel->PlaceChildren(QRect(0, 0, static_cast<int>(452 * scale), static_cast<int>(634 * scale)), 0);
        return panel;
    }
    static bool loaded(CFilerContainerDlg& p)
    {
        return test::waitFor([&] { return !p.loading(); });
    }
    static std::string text(QTreeWidgetItem* item) { return item ? item->text(0).toStdString() : "<none>"; }

    static TempFolder* s_dir;
    TempFolder settings;
    std::shared_ptr<FixedDrives> drives = std::make_shared<FixedDrives>();
    Owner owner;
    test::RemovalCounter removals;
};
TempFolder* Panel::s_dir = nullptr;

TEST_F(Panel, StoredFolderOpensAsOneTopItemAndItsFoldersRebuildTheirChildren)
{
    platform::IniFile(settings / "kivora.ini").write("SOURCE", "FOLDER", (*s_dir / "card").string());
    auto panel = make();
    ASSERT_TRUE(panel->RestoreSource());
    ASSERT_TRUE(loaded(*panel));
    EXPECT_EQ(panel->sourceKind(), SourceKind::Folder);
    CFolderTreeCtrl* tree = panel->tree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* top = tree->topLevelItem(0);
    EXPECT_EQ(text(top), "card");
    // The card's root lists nothing itself: its first group of "Video" opens, as for a card.
    ASSERT_NE(tree->currentItem(), nullptr);
    EXPECT_EQ(text(tree->currentItem()->parent()), "Video");
    EXPECT_EQ(tree->currentItem()->parent()->parent(), top);
    EXPECT_GT(panel->Count(), 0);
    EXPECT_EQ(owner.opened, std::vector<int> { 0 });
    // The folder's parent is what the rule watches; the folder is the top item below it.
    EXPECT_EQ(panel->watchedPath(), s_dir->path());
    EXPECT_EQ(panel->FullPath(static_cast<FolderNode*>(top)), *s_dir / "card");
    // Not a card: an ordinary name order puts Parking first (the data folders follow: on this
    // file system only a leading dot hides a folder).
    ASSERT_GE(top->childCount(), 2);
    EXPECT_EQ(text(top->child(0)), "Parking");
    auto* video = static_cast<FolderNode*>(top->child(1));
    EXPECT_EQ(text(video), "Video");

    panel->selectFolder(video);
    ASSERT_GT(video->childCount(), 0);
    auto* group = static_cast<FolderNode*>(video->child(0));
    EXPECT_TRUE(QString::fromStdString(text(group)).contains(QRegularExpression("^[0-9]{6}_[0-9]{4}$")));
    const auto before = owner.opened.size();
    panel->selectFolder(group);
    EXPECT_GT(panel->Count(), 0);
    ASSERT_GT(owner.opened.size(), before);
    EXPECT_EQ(owner.opened.back(), 0);
    for (int i = 0; i < panel->Count(); ++i)
        EXPECT_EQ(panel->Entry(i)->path.parent_path().filename(), "Video");
    EXPECT_EQ(panel->Entry(panel->Count()), nullptr);
    EXPECT_FALSE(panel->AllRecordings().empty());
}

TEST_F(Panel, ARemovableDriveWinsAndOpensTheFirstGroupOfVideo)
{
    platform::IniFile(settings / "kivora.ini").write("SOURCE", "FOLDER", settings.path().string());
    drives->roots = { *s_dir / "absent", *s_dir / "card" };
    auto panel = make();
    ASSERT_TRUE(panel->RestoreSource());
    ASSERT_TRUE(loaded(*panel));
    EXPECT_EQ(panel->sourceKind(), SourceKind::Card);
    EXPECT_EQ(panel->sourcePath(), *s_dir / "card");
    CFolderTreeCtrl* tree = panel->tree();
    ASSERT_GE(tree->topLevelItemCount(), 2);
    EXPECT_EQ(text(tree->topLevelItem(0)), "Video");
    EXPECT_EQ(text(tree->topLevelItem(1)), "Parking");
    EXPECT_EQ(tree->currentItem(), tree->topLevelItem(0)->child(0));
    // Groups carry the triggers of their movies, which the badges show.
    std::uint32_t all = 0;
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < tree->topLevelItem(i)->childCount(); ++j)
            all |= static_cast<FolderNode*>(tree->topLevelItem(i)->child(j))->flags();
    EXPECT_EQ(all & 0x7f, 0x7fu);
    EXPECT_GT(panel->Count(), 0);
    ASSERT_FALSE(owner.opened.empty());
    EXPECT_EQ(owner.opened.back(), 0);
    const RecorderIdentity id = panel->recorderIdentity();
    EXPECT_EQ(id.firmwareVersion, "1.2.3");
    EXPECT_EQ(id.gpsDataVersion, "230101");
    EXPECT_EQ(id.modelKey, "Vireo_download");
}

TEST_F(Panel, FiltersReopenRowZeroAndAClickOnTheOpenRowDoesNothing)
{
    auto panel = make();
    panel->LoadSource(*s_dir / "card", SourceKind::Card);
    panel->SelectInitialFolder();
    ASSERT_TRUE(loaded(*panel));
    ASSERT_GT(panel->Count(), 1);
    const auto opened = owner.opened.size();
    panel->list()->setCurrentRow(0); // the open row again
    EXPECT_EQ(owner.opened.size(), opened);
    panel->list()->setCurrentRow(1);
    ASSERT_EQ(owner.opened.size(), opened + 1);
    EXPECT_EQ(owner.opened.back(), 1);
    panel->SelectRow(0, 2);
    EXPECT_EQ(owner.opened.back(), 0);
    EXPECT_EQ(panel->advanceMode(), 2);
    // Turning a filter on and off: row 0 is opened again each time.
    panel->filterButton(2)->click();
    EXPECT_FALSE(panel->filter(2));
    EXPECT_EQ(owner.opened.size(), opened + 3);
    panel->filterButton(2)->click();
    EXPECT_EQ(owner.opened.size(), opened + 4);
    // Continuous only: no shock rows remain.
    for (int k = 1; k < 5; ++k)
        panel->SetFilter(k, false);
    for (int i = 0; i < panel->Count(); ++i) {
        const auto kind = recording::TriggerCategory(panel->Entry(i)->path);
        EXPECT_TRUE(kind == recording::TriggerKind::Continuous || kind == recording::TriggerKind::Parking);
    }
}

TEST_F(Panel, ASingleFileShowsOneRowAndOpensIt)
{
    fs::path movie;
    for (const auto& item : fs::directory_iterator(*s_dir / "card/Video"))
        if (recording::IsMainCameraName(item.path()))
            movie = item.path();
    ASSERT_FALSE(movie.empty());
    auto panel = make();
    panel->LoadSource(movie, SourceKind::SingleFiles);
    EXPECT_EQ(panel->tree()->topLevelItemCount(), 0);
    EXPECT_EQ(panel->Count(), 1);
    EXPECT_EQ(owner.opened, std::vector<int> { 0 });
    EXPECT_EQ(panel->AllRecordings().size(), 1u);
}

TEST_F(Panel, BadSourcesGiveEmptyListsAndResetEmptiesEverything)
{
    TempFolder dir;
    fs::create_directories(dir / "empty");
    fs::create_directories(dir / "odd");
    writeText(dir / "odd/AG__-230115-083000-00012M.MOV", "short name");
    writeText(dir / "odd/AG__-230115-083000-000123S.MOV", "sub camera");
    writeText(dir / "odd/notes.txt", "x");
    auto panel = make();
    for (const char* name : { "empty", "odd", "vanished" }) {
        panel->LoadSource(dir / name, SourceKind::Folder);
        panel->SelectInitialFolder();
        ASSERT_TRUE(loaded(*panel)) << name;
        EXPECT_EQ(panel->Count(), 0) << name;
        EXPECT_EQ(panel->tree()->topLevelItemCount(), 1) << name;
    }
    panel->LoadSource(dir / "odd/notes.txt", SourceKind::SingleFiles);
    EXPECT_EQ(panel->Count(), 0);
    panel->ResetSource();
    EXPECT_EQ(panel->tree()->topLevelItemCount(), 0);
    EXPECT_EQ(panel->Count(), 0);
    EXPECT_FALSE(panel->resetting());
    EXPECT_FALSE(make()->RestoreSource()); // nothing stored, no drive
}

TEST_F(Panel, DeletingTheFolderIsReportedOnce)
{
    TempFolder dir;
    fs::copy(*s_dir / "card", dir / "copy", fs::copy_options::recursive);
    auto panel = make();
    panel->LoadSource(dir / "copy", SourceKind::Folder);
    ASSERT_TRUE(loaded(*panel));
    fs::remove_all(dir / "copy");
    EXPECT_TRUE(test::waitFor([&] { return removals.removed > 0; }, 3000));
    EXPECT_TRUE(panel->sourceRemoved());
    test::waitFor([] { return false; }, 300);
    EXPECT_EQ(removals.removed, 1);
}

TEST_F(Panel, ACardOnItsOwnMountIsReportedOnceWhenUnmounted)
{
    TempFolder dir;
    // FAT as on a real card; a memory file system where the kernel has no FAT.
    test::LoopFat fat(dir.path(), true);
    if (!fat.why().empty())
        std::printf("card mount: %s; a memory file system stands in\n", fat.why().c_str());
    if (!fat.mounted())
        GTEST_SKIP() << "no loop mount here: " << fat.why();
    ASSERT_TRUE(test::writeCard(fat.mountPoint(), 6, { "--layout", "1" }));
    drives->roots = { fat.mountPoint() };
    auto panel = make();
    ASSERT_TRUE(panel->RestoreSource());
    ASSERT_TRUE(loaded(*panel));
    EXPECT_EQ(panel->sourceKind(), SourceKind::Card);
    EXPECT_GT(panel->Count(), 0);
    EXPECT_EQ(removals.removed, 0);
    panel->ResetSource(); // the window closes the card's files before it goes
    ASSERT_TRUE(fat.unmount());
    EXPECT_TRUE(test::waitFor([&] { return removals.removed > 0; }, 3000));
    test::waitFor([] { return false; }, 300);
    EXPECT_EQ(removals.removed, 1);
}

TEST_F(Panel, DrawsRowsTreeAndBadgesAtBothScales)
{
    const char* shots = std::getenv("KIVORA_BROWSE_SHOTS");
    for (double scale : { 1.0, 1.5 }) {
        auto panel = make(scale);
        panel->LoadSource(*s_dir / "card", SourceKind::Card);
        panel->SelectInitialFolder();
        ASSERT_TRUE(loaded(*panel));
        panel->show();
        test::waitFor([] { return false; }, 100);
        const QImage image = panel->grab().toImage();
        if (shots)
            image.save(QString("%1/browser-panel-%2x.png").arg(shots).arg(scale));
        // The open row is grey (olive for shock), the panel's own fill dark.
        const QRect row0 = panel->list()->visualItemRect(panel->list()->item(0));
        const QPoint inRow
            = panel->list()->viewport()->mapTo(panel.get(), row0.center() + QPoint(row0.width() / 3, 0));
        const QColor c = image.pixelColor(inRow);
        EXPECT_TRUE(c == QColor(178, 178, 178) || c == QColor(178, 178, 142)) << c.name().toStdString();
        EXPECT_EQ(image.pixelColor(2, image.height() - 3), QColor(49, 49, 49));
        EXPECT_EQ(panel->list()->rowHeight(), static_cast<int>(20 * scale));
    }
}

} // namespace
} // namespace kivora::browse

namespace kivora::browse {
namespace {

// Every file below root with its size and modification time.
std::string snapshot(const fs::path& root)
{
    std::string out;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        out += item.path().string();
        if (item.is_regular_file())
            out += " " + std::to_string(item.file_size()) + " "
                + std::to_string(item.last_write_time().time_since_epoch().count());
        out += "\n";
    }
    return out;
}

TEST_F(Panel, AReadOnlyCardIsBrowsedWithoutChange)
{
    TempFolder dir;
    test::LoopFat mount(dir.path(), true);
    if (!mount.mounted())
        GTEST_SKIP() << "no mount here: " << mount.why();
    ASSERT_TRUE(test::writeCard(mount.mountPoint(), 6, { "--layout", "1" }));
    ASSERT_EQ(
        kivora::testing::runProgram({ "mount", "-o", "remount,ro", mount.mountPoint().string() }).status, 0);
    const std::string before = snapshot(mount.mountPoint());
    auto panel = make();
    panel->LoadSource(mount.mountPoint(), SourceKind::Card);
    panel->SelectInitialFolder();
    ASSERT_TRUE(loaded(*panel));
    EXPECT_GT(panel->Count(), 0);
    EXPECT_GT(panel->AllRecordings().size(), 0u);
    panel->selectFolder(static_cast<FolderNode*>(panel->tree()->topLevelItem(1)));
    EXPECT_EQ(snapshot(mount.mountPoint()), before);
    panel->ResetSource();
}

} // namespace
} // namespace kivora::browse

namespace kivora::browse {
namespace {

TEST_F(Panel, PlacesItsChildrenInBothModes)
{
    auto panel = make();
    panel->PlaceChildren(QRect(10, 20, 452, 634), 0);
    EXPECT_EQ(panel->geometry(), QRect(10, 20, 452, 634));
    EXPECT_EQ(panel->tree()->geometry(), QRect(4, 26, 217, 634 - 30));
    EXPECT_EQ(panel->list()->geometry(), QRect(224, 26, 224, 634 - 30));
    const int mode0[5][2] = { { 7, 8 }, { 62, 8 }, { 117, 8 }, { 209, 8 }, { 264, 8 } };
    for (int k = 0; k < 5; ++k) {
        // The box lies int(4s) below the button's top.
        EXPECT_EQ(panel->filterButton(k)->x(), mode0[k][0]) << k;
        EXPECT_EQ(panel->filterButton(k)->y() + 4, mode0[k][1]) << k;
    }
    panel->PlaceChildren(QRect(0, 0, 227, 800), 1);
    EXPECT_EQ(panel->tree()->geometry(), QRect(4, 24, 227 - 8, 284));
    EXPECT_EQ(panel->list()->geometry(), QRect(4, 356, 227 - 8, 800 - 360));
    const int mode1[5][2] = { { 5, 312 }, { 87, 312 }, { 157, 312 }, { 5, 326 }, { 87, 326 } };
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(panel->filterButton(k)->x(), mode1[k][0]) << k;
        EXPECT_EQ(panel->filterButton(k)->y() + 4, mode1[k][1]) << k;
    }
    panel->setZoomHint(true);
    EXPECT_FALSE(panel->tree()->isVisible());
    EXPECT_FALSE(panel->list()->isVisible());
    panel->setZoomHint(false);
    EXPECT_TRUE(panel->list()->isVisible());
}

} // namespace
} // namespace kivora::browse

namespace kivora::browse {
namespace {

TEST_F(Panel, LoadsThatOverlapOrOutliveThePanelAreDropped)
{
    for (int round = 0; round < 3; ++round) {
        auto panel = make();
        panel->LoadSource(*s_dir / "card", SourceKind::Card);
        panel->LoadSource(*s_dir / "card", SourceKind::Folder); // the first load's result is stale
        panel->SelectInitialFolder();
        if (round == 0) {
            ASSERT_TRUE(loaded(*panel));
            EXPECT_EQ(panel->sourceKind(), SourceKind::Folder);
            EXPECT_EQ(panel->tree()->topLevelItemCount(), 1);
        }
        // Rounds 1 and 2 destroy the panel while its scans may still run.
    }
    test::waitFor([] { return false; }, 200);
}

} // namespace
} // namespace kivora::browse

namespace kivora::browse {
namespace {

TEST_F(Panel, ALoadOpensTheFirstFolderThatListsRecordingsWithOneChange)
{
    TempFolder dir;
    // Empty folders ahead of the recordings, at the top and inside.
    fs::create_directories(dir / "outer/aaa/empty");
    fs::create_directories(dir / "outer/bbb");
    fs::copy(*s_dir / "card/Video", dir / "outer/bbb/Video", fs::copy_options::recursive);
    // A card whose normal movie folder is empty opens its parking recordings.
    fs::copy(*s_dir / "card", dir / "parked", fs::copy_options::recursive);
    for (const auto& item : fs::directory_iterator(dir / "parked/Video"))
        fs::remove(item.path());
    struct Case {
        const char* folder;
        SourceKind kind;
        std::vector<std::string> way; // from the top item down to the selected one
    };
    const std::string group = "^[0-9]{6}_[0-9]{4}$";
    const Case cases[] = {
        { "card", SourceKind::Card, { "Video", group } },
        { "card", SourceKind::Folder, { "card", "Video", group } },
        { "outer", SourceKind::Folder, { "outer", "bbb", "Video", group } },
        { "parked", SourceKind::Card, { "Parking", group } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.folder) + " kind " + std::to_string(static_cast<int>(c.kind)));
        owner.opened.clear();
        owner.folderChanges = 0;
        auto panel = make();
        const fs::path root = std::string(c.folder) == "card" ? *s_dir / "card" : dir / c.folder;
        panel->LoadSource(root, c.kind);
        panel->SelectInitialFolder();
        ASSERT_TRUE(loaded(*panel));
        test::waitFor([] { return false; }, 50);
        EXPECT_EQ(owner.folderChanges, 1);
        EXPECT_EQ(owner.opened, std::vector<int> { 0 });
        EXPECT_GT(panel->Count(), 0);
        std::vector<std::string> way;
        for (QTreeWidgetItem* p = panel->tree()->currentItem(); p; p = p->parent())
            way.insert(way.begin(), text(p));
        ASSERT_EQ(way.size(), c.way.size());
        for (std::size_t i = 0; i < way.size(); ++i)
            EXPECT_TRUE(QString::fromStdString(way[i]).contains(
                QRegularExpression(QString::fromStdString(c.way[i] == group ? group : "^" + c.way[i] + "$"))))
                << way[i];
        // Selecting the folder again lists the same recordings the load prepared.
        const int rows = panel->Count();
        panel->FolderSelected(panel->selectedFolder(), true);
        EXPECT_EQ(panel->Count(), rows);
    }
}

} // namespace
} // namespace kivora::browse
