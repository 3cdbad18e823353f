#include "kivora/browse/CSourceOpenDlg.h"
#include "kivora/browse/DriveList.h"
#include "kivora/platform/IniFile.h"
#include "kivora/ui/CSkinCheckButton.h"

#include "tests/support/TempFolder.h"

#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace kivora::browse {
namespace {

namespace fs = std::filesystem;
using recording::SourceKind;

struct FixedDrives final : IDriveList {
    std::vector<fs::path> roots;
    std::vector<fs::path> removableDrives() const override { return roots; }
};

TEST(CSourceOpenDlg, StartsFromTheStoredChoiceAndTheLastDrive)
{
    TempFolder dir;
    const platform::IniFile ini(dir / "kivora.ini");
    ini.write("SOURCE", "SELECT", "FOLDER");
    ini.write("SOURCE", "FOLDER", "/media/u/copy");
    ini.write("SOURCE", "SD", "/media/u/OLD");
    FixedDrives drives;
    drives.roots = { "/media/u/A", "/media/u/B" };
    CSourceOpenDlg dlg(nullptr, drives, ini.path());
    EXPECT_EQ(dlg.kind(), SourceKind::Folder);
    EXPECT_EQ(dlg.driveList()->currentText(), "/media/u/B");
    EXPECT_EQ(dlg.folderEdit()->text(), "/media/u/copy");
    EXPECT_TRUE(dlg.okButton()->isEnabled());
    EXPECT_TRUE(dlg.choiceButton(1)->checkMark());
    EXPECT_FALSE(dlg.choiceButton(0)->checkMark());
    // A kind without its value cannot be confirmed.
    dlg.chooseKind(SourceKind::SingleFiles);
    EXPECT_FALSE(dlg.okButton()->isEnabled());
    EXPECT_FALSE(dlg.pressOk());
    dlg.folderEdit()->clear();
    dlg.chooseKind(SourceKind::Folder);
    EXPECT_FALSE(dlg.okButton()->isEnabled());
    // Picking a drive chooses the SD card.
    dlg.driveList()->setCurrentIndex(0);
    EXPECT_EQ(dlg.kind(), SourceKind::Card);
    EXPECT_TRUE(dlg.okButton()->isEnabled());
    ASSERT_TRUE(dlg.pressOk());
    EXPECT_EQ(ini.read("SOURCE", "SELECT"), "SD");
    EXPECT_EQ(ini.read("SOURCE", "SD"), "/media/u/A");
    EXPECT_EQ(ini.read("SOURCE", "FOLDER"), "/media/u/copy");
    EXPECT_EQ(dlg.choice().path, "/media/u/A");
}

TEST(CSourceOpenDlg, WithoutDrivesTheCardCannotBeChosenAndCancelWritesNothing)
{
    TempFolder dir;
    const platform::IniFile ini(dir / "kivora.ini");
    ini.write("SOURCE", "SELECT", "bogus");
    const std::string before = readText(ini.path());
    FixedDrives none;
    {
        CSourceOpenDlg dlg(nullptr, none, ini.path());
        EXPECT_EQ(dlg.kind(), SourceKind::Card);
        EXPECT_FALSE(dlg.okButton()->isEnabled());
        dlg.reject();
    }
    EXPECT_EQ(readText(ini.path()), before);
}

TEST(CSourceOpenDlg, BrowsingFillsTheValuesItMay)
{
    TempFolder dir;
    const platform::IniFile ini(dir / "kivora.ini");
    ini.write("SOURCE", "FOLDER", "/stored");
    FixedDrives none;
    CSourceOpenDlg dlg(nullptr, none, ini.path());
    QString offered;
    dlg.setFolderChooser([&](const QString& initial) {
        offered = initial;
        return QString();
    });
    dlg.folderEdit()->clear();
    dlg.browseFolder(); // cancelled: the stored folder comes back
    EXPECT_EQ(offered, "/stored");
    EXPECT_EQ(dlg.folderEdit()->text(), "/stored");
    EXPECT_EQ(dlg.kind(), SourceKind::Folder);

    dlg.setFileChooser([] { return QStringLiteral("/x/AM__-230115-083000-000123M.MOV"); });
    dlg.browseFile();
    EXPECT_EQ(dlg.kind(), SourceKind::SingleFiles);
    ASSERT_TRUE(dlg.pressOk());
    EXPECT_EQ(ini.read("SOURCE", "SELECT"), "FILE");
    EXPECT_EQ(ini.read("SOURCE", "FILE"), "/x/AM__-230115-083000-000123M.MOV");
}

} // namespace
} // namespace kivora::browse

namespace kivora::browse {
namespace {

TEST(CSourceOpenDlg, DrawsItsThreeRows)
{
    TempFolder dir;
    const platform::IniFile ini(dir / "kivora.ini");
    ini.write("SOURCE", "FOLDER", "/media/u/copy");
    FixedDrives drives;
    drives.roots = { "/media/u/CARD" };
    CSourceOpenDlg dlg(nullptr, drives, ini.path());
    const QImage image = dlg.grab().toImage();
    EXPECT_EQ(image.size(), QSize(540, 250));
    if (const char* shots = std::getenv("KIVORA_BROWSE_SHOTS"))
        image.save(QString("%1/source-dialog.png").arg(shots));
}

} // namespace
} // namespace kivora::browse
