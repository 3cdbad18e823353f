#include "kivora/browse/SourceRules.h"
#include "kivora/browse/DriveList.h"
#include "kivora/platform/IniFile.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

namespace kivora::browse {
namespace {

namespace fs = std::filesystem;
using recording::SourceKind;

TEST(SourceRules, RestoreTakesTheLastDriveThenTheFolderThenTheFile)
{
    TempFolder dir;
    fs::create_directories(dir / "media/u/CARD");
    fs::create_directories(dir / "media/u/OTHER");
    fs::create_directories(dir / "copy");
    const fs::path file = dir / "AG__-230115-083000-000123M.MOV";
    writeText(file, "x");
    const fs::path badFile = dir / "holiday.MOV";
    writeText(badFile, "x");
    const fs::path card = dir / "media/u/CARD";
    const fs::path other = dir / "media/u/OTHER";
    const fs::path gone = dir / "media/u/GONE";

    struct Case {
        std::vector<fs::path> drives;
        StoredSource stored;
        std::optional<SourceChoice> expected;
    };
    const Case cases[] = {
        // A drive wins over the stored folder; the last existing one, its mount point unchanged.
        { { other, card }, { "FOLDER", "", (dir / "copy").string(), file.string() },
            SourceChoice { SourceKind::Card, card } },
        { { card, gone }, { "FOLDER", "", "", "" }, SourceChoice { SourceKind::Card, card } },
        { {}, { "FILE", "", (dir / "copy").string(), file.string() },
            SourceChoice { SourceKind::Folder, dir / "copy" } },
        { { gone }, { "", "", (dir / "absent").string(), file.string() },
            SourceChoice { SourceKind::SingleFiles, file } },
        { {}, { "", "", "", badFile.string() }, std::nullopt },
        { {}, { "", "", "", (dir / "copy").string() }, std::nullopt },
        { {}, {}, std::nullopt },
    };
    for (const Case& c : cases) {
        const auto got = restoreChoice(c.drives, c.stored);
        ASSERT_EQ(got.has_value(), c.expected.has_value());
        if (got) {
            EXPECT_EQ(got->kind, c.expected->kind);
            EXPECT_EQ(got->path, c.expected->path);
        }
    }
}

TEST(SourceRules, OkNeedsTheChosenKindsValue)
{
    EXPECT_TRUE(sourceChoiceComplete(SourceKind::Card, true, "", ""));
    EXPECT_FALSE(sourceChoiceComplete(SourceKind::Card, false, "/a", "/b"));
    EXPECT_TRUE(sourceChoiceComplete(SourceKind::Folder, false, "/a", ""));
    EXPECT_FALSE(sourceChoiceComplete(SourceKind::Folder, true, "", "/b"));
    EXPECT_TRUE(sourceChoiceComplete(SourceKind::SingleFiles, false, "", "/b"));
    EXPECT_FALSE(sourceChoiceComplete(SourceKind::SingleFiles, true, "/a", ""));
    EXPECT_EQ(kindFromSelect("SD"), SourceKind::Card);
    EXPECT_EQ(kindFromSelect("FOLDER"), SourceKind::Folder);
    EXPECT_EQ(kindFromSelect("FILE"), SourceKind::SingleFiles);
    EXPECT_EQ(kindFromSelect("folder"), SourceKind::Card);
    EXPECT_EQ(kindFromSelect(""), SourceKind::Card);
}

TEST(SourceRules, StoringWritesSelectThenTheKindsKey)
{
    TempFolder dir;
    const platform::IniFile ini(dir / "kivora.ini");
    ASSERT_TRUE(storeChoice(ini, SourceKind::Folder, "/media/u/copy"));
    EXPECT_EQ(ini.read("SOURCE", "SELECT"), "FOLDER");
    EXPECT_EQ(ini.read("SOURCE", "FOLDER"), "/media/u/copy");
    const std::string text = readText(ini.path());
    EXPECT_LT(text.find("SELECT="), text.find("FOLDER=/media"));
    ASSERT_TRUE(storeChoice(ini, SourceKind::Card, "/media/u/CARD"));
    ASSERT_TRUE(storeChoice(ini, SourceKind::SingleFiles, "/x/AG__-230115-083000-000123M.MOV"));
    const StoredSource stored = readStoredSource(ini);
    EXPECT_EQ(stored.select, "FILE");
    EXPECT_EQ(stored.sd, "/media/u/CARD");
    EXPECT_EQ(stored.folder, "/media/u/copy");
    EXPECT_EQ(stored.file, "/x/AG__-230115-083000-000123M.MOV");
}

TEST(MountTableDrives, ListsRemovableMountsOfTheGivenTables)
{
    TempFolder dir;
    writeText(dir / "mounts",
        "/dev/sda1 / ext4 rw 0 0\n/dev/sdb1 /media/u/CARD vfat rw 0 0\n/dev/sdc1 /media/u/My\\040Card vfat "
        "rw 0 0\n");
    for (const char* dev : { "sda1", "sdb1", "sdc1" })
        fs::create_directories(dir / "block" / dev);
    writeText(dir / "block/sda1/removable", "0\n");
    writeText(dir / "block/sdb1/removable", "1\n");
    writeText(dir / "block/sdc1/removable", "1\n");
    const MountTableDrives drives(dir / "mounts", dir / "block");
    EXPECT_EQ(drives.removableDrives(), (std::vector<fs::path> { "/media/u/CARD", "/media/u/My Card" }));
}

} // namespace
} // namespace kivora::browse
