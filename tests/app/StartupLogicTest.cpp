#include "kivora/app/CommandLine.h"
#include "kivora/app/Language.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <QLocale>

using namespace kivora::app;

TEST(Language, OnlyEnglishUnitedStatesSelectsColumnOne)
{
    const struct {
        const char* locale;
        int index;
    } cases[]
        = { { "en_US", 1 }, { "en_GB", 0 }, { "es_US", 0 }, { "ja_JP", 0 }, { "C", 0 }, { "de_DE", 0 } };
    for (const auto& c : cases)
        EXPECT_EQ(languageIndexFor(QLocale(QString::fromLatin1(c.locale))), c.index) << c.locale;
}

TEST(CommandLine, AnOptionalExistingSourceIsKeptAsAnAbsolutePath)
{
    TempFolder folder;
    std::filesystem::create_directory(folder / "card");
    writeText(folder / "-odd.MP4", "x");

    EXPECT_FALSE(parseCommandLine({}, folder.path()).source);
    EXPECT_TRUE(parseCommandLine({}, folder.path()).error.empty());

    const auto relative = parseCommandLine({ "card" }, folder.path());
    EXPECT_EQ(relative.source, folder / "card");
    const auto absolute
        = parseCommandLine({ QString::fromStdString((folder / "card/../card").string()) }, "/");
    EXPECT_EQ(absolute.source, folder / "card");
    EXPECT_EQ(parseCommandLine({ "--", "-odd.MP4" }, folder.path()).source, folder / "-odd.MP4");

    const struct {
        QStringList arguments;
        const char* error;
    } failures[] = {
        { { "missing" }, "no such file or folder: missing" },
        { { "card", "card" }, "only one source can be opened" },
        { { "--verbose" }, "unknown option --verbose" },
        { { "-odd.MP4" }, "unknown option -odd.MP4" },
    };
    for (const auto& c : failures)
        EXPECT_EQ(parseCommandLine(c.arguments, folder.path()).error, c.error);
}

TEST(CommandLine, UserSettingsUsesTheConfigurationFolder)
{
    TempFolder folder;
    writeText(folder / "movie.MP4", "x");
    const auto desktop = parseCommandLine({ "--user-settings", "movie.MP4" }, folder.path());
    EXPECT_TRUE(desktop.userSettings);
    EXPECT_EQ(desktop.source, folder / "movie.MP4");
    EXPECT_FALSE(parseCommandLine({ "movie.MP4" }, folder.path()).userSettings);
    EXPECT_FALSE(parseCommandLine({ "--", "--user-settings" }, folder.path()).error.empty());

    const std::string xdg = (folder / "config").string();
    EXPECT_EQ(userSettingsFolder(xdg.c_str(), "/nowhere"), folder / "config/kivora");
    EXPECT_TRUE(std::filesystem::is_directory(folder / "config/kivora"));
    const std::string home = (folder / "home").string();
    EXPECT_EQ(userSettingsFolder("relative/config", home.c_str()), folder / "home/.config/kivora");
    EXPECT_EQ(userSettingsFolder(nullptr, home.c_str()), folder / "home/.config/kivora");
    EXPECT_TRUE(userSettingsFolder(nullptr, nullptr).empty());
    writeText(folder / "file", "x");
    const std::string blocked = (folder / "file").string();
    EXPECT_TRUE(userSettingsFolder(blocked.c_str(), nullptr).empty());
}
