#include "kivora/app/AppSettings.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

using kivora::app::AppSettings;

TEST(AppSettings, FirstStartSeedsExactlyThreeValuesAndAnExistingFileIsNeverCompleted)
{
    TempFolder folder;
    const AppSettings settings(folder.path());
    EXPECT_EQ(settings.path(), folder / "Default_Folder.ini");
    ASSERT_TRUE(settings.seedIfMissing());
    EXPECT_EQ(readText(settings.path()), "[DISPLAY]\nINFOCHECK=31\nASPECT=on\nVOLUME=65535\n");
    EXPECT_TRUE(settings.keepAspect());
    EXPECT_EQ(settings.volume(), 65535);

    // A later start finds the file and leaves it alone, even when keys are missing.
    writeText(settings.path(), "[DISPLAY]\nASPECT=off\n");
    EXPECT_FALSE(settings.seedIfMissing());
    EXPECT_EQ(readText(settings.path()), "[DISPLAY]\nASPECT=off\n");
    EXPECT_EQ(settings.volume(), 65535) << "each reader applies its own default";

    // Another working folder has its own file.
    TempFolder other;
    EXPECT_TRUE(AppSettings(other.path()).seedIfMissing());
    EXPECT_EQ(readText(settings.path()), "[DISPLAY]\nASPECT=off\n");

    // Without a start-up folder nothing is read or written anywhere.
    const AppSettings none(std::filesystem::path {});
    EXPECT_FALSE(none.seedIfMissing());
    EXPECT_FALSE(none.write("DISPLAY", "ASPECT", "on"));
    EXPECT_EQ(none.volume(), 65535);
}

TEST(AppSettings, DisplayReadersFollowTheirRules)
{
    TempFolder folder;
    const AppSettings settings(folder.path());
    const struct {
        const char* stored; // nullptr: key absent
        bool keepAspect;
    } aspects[] = { { "on", true }, { "On", false }, { "ON", false }, { "off", false }, { "", false },
        { nullptr, false }, { "onn", false } };
    for (const auto& c : aspects) {
        std::filesystem::remove(settings.path());
        if (c.stored) {
            ASSERT_TRUE(settings.write("DISPLAY", "ASPECT", c.stored));
        }
        EXPECT_EQ(settings.keepAspect(), c.keepAspect) << (c.stored ? c.stored : "(absent)");
    }

    const struct {
        const char* stored;
        int volume;
    } volumes[]
        = { { nullptr, 65535 }, { "", 65535 }, { "abc", 0 }, { "0", 0 }, { "1234", 1234 }, { "12abc", 12 },
              { "-5", 0 }, { "65535", 65535 }, { "70000", 65535 }, { "99999999999999999999", 65535 } };
    for (const auto& c : volumes) {
        std::filesystem::remove(settings.path());
        if (c.stored) {
            ASSERT_TRUE(settings.write("DISPLAY", "VOLUME", c.stored));
        }
        EXPECT_EQ(settings.volume(), c.volume) << (c.stored ? c.stored : "(absent)");
    }

    const struct {
        const char* stored;
        std::optional<double> scale;
    } scales[] = { { nullptr, {} }, { "", {} }, { "0", {} }, { "-1", {} }, { "abc", {} }, { "nan", {} },
        { "inf", {} }, { "1e999", {} }, { "1.500000", 1.5 }, { "2", 2.0 }, { "1.25xyz", 1.25 },
        { "0.000001", 0.000001 } };
    for (const auto& c : scales) {
        std::filesystem::remove(settings.path());
        if (c.stored) {
            ASSERT_TRUE(settings.write("DISPLAY", "SCALEX", c.stored));
            ASSERT_TRUE(settings.write("DISPLAY", "SCALEY", c.stored));
        }
        EXPECT_EQ(settings.scaleX(), c.scale) << (c.stored ? c.stored : "(absent)");
        EXPECT_EQ(settings.scaleY(), c.scale) << (c.stored ? c.stored : "(absent)");
    }
}

TEST(AppSettings, WritersUseTheStoredFormats)
{
    TempFolder folder;
    const AppSettings settings(folder.path());
    ASSERT_TRUE(settings.seedIfMissing());
    ASSERT_TRUE(settings.setKeepAspect(false));
    ASSERT_TRUE(settings.setVolume(1200));
    ASSERT_TRUE(settings.setScale(1.25, 2.0 / 3.0));
    ASSERT_TRUE(settings.write("FOLDERPATH", "CSV_FOLDER", "/home/user/書類"));
    EXPECT_EQ(readText(settings.path()),
        "[DISPLAY]\nINFOCHECK=31\nASPECT=off\nVOLUME=1200\n"
        "SCALEX=1.250000\nSCALEY=0.666667\n"
        "[FOLDERPATH]\nCSV_FOLDER=/home/user/書類\n");
    EXPECT_EQ(settings.scaleY(), 0.666667);
    EXPECT_EQ(settings.read("folderpath", "csv_folder"), "/home/user/書類");

    ASSERT_TRUE(settings.setVolume(70000));
    EXPECT_EQ(settings.read("DISPLAY", "VOLUME"), "65535");
    ASSERT_TRUE(settings.setVolume(-3));
    EXPECT_EQ(settings.read("DISPLAY", "VOLUME"), "0");
}
