#include "kivora/platform/IniFile.h"
#include "kivora/platform/IniDocument.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kivora::platform;

TEST(IniFile, MissingFileReadsEmptyAndTheFirstWriteCreatesIt)
{
    TempFolder folder;
    const IniFile ini(folder / "settings.ini");
    EXPECT_FALSE(ini.exists());
    EXPECT_EQ(ini.read("DISPLAY", "ASPECT"), "");
    EXPECT_FALSE(ini.exists()) << "reading must not create the file";

    ASSERT_TRUE(ini.write("DISPLAY", "ASPECT", "on"));
    ASSERT_TRUE(ini.write("DISPLAY", "VOLUME", "65535"));
    ASSERT_TRUE(ini.write("SOURCE", "SELECT", "FOLDER"));
    EXPECT_EQ(readText(ini.path()), "[DISPLAY]\nASPECT=on\nVOLUME=65535\n[SOURCE]\nSELECT=FOLDER\n");

    EXPECT_FALSE(IniFile(folder / "no-such-folder" / "x.ini").write("A", "B", "c"));
    EXPECT_FALSE(IniFile("").write("A", "B", "c"));
    EXPECT_EQ(IniFile("").read("A", "B"), "");
}

TEST(IniFile, SectionsAndKeysMatchWithoutCaseAndTheFirstMatchWins)
{
    TempFolder folder;
    const IniFile ini(folder / "s.ini");
    writeText(ini.path(),
        "[Display]\naspect = on\nAspect=second\n[display]\nvolume=1\n[ source ]\n  Select=FILE  \n");
    EXPECT_EQ(ini.read("DISPLAY", "ASPECT"), "on");
    EXPECT_EQ(ini.read("display", "aSpEcT"), "on");
    EXPECT_EQ(ini.read("DISPLAY", "VOLUME"), "") << "a second section of the same name is never searched";
    EXPECT_EQ(ini.read("SOURCE", "SELECT"), "FILE");
    EXPECT_EQ(ini.read("SOURCE", "FOLDER"), "");
    EXPECT_EQ(ini.read("NOPE", "SELECT"), "");

    // A write finds the same line and keeps the file's spelling of the key.
    ASSERT_TRUE(ini.write("DISPLAY", "ASPECT", "off"));
    EXPECT_EQ(readText(ini.path()),
        "[Display]\naspect=off\nAspect=second\n[display]\nvolume=1\n[ source ]\n  Select=FILE  \n");
}

TEST(IniFile, ValuesComeBackExactly)
{
    TempFolder folder;
    const IniFile ini(folder / "s.ini");
    const std::string values[] = {
        "",
        "on",
        "a=b=c",
        " leading blank",
        "trailing blank\t",
        "\"quoted\"",
        "'single'",
        "\"",
        "\"half",
        "; not a comment",
        "[not a section]",
        "/home/user/My Videos/2024",
        "C:\\DCIM\\Movie",
        "ドライブ レコーダー",
        "%d %s 100%",
    };
    for (const auto& value : values) {
        ASSERT_TRUE(ini.write("FOLDERPATH", "CSV_FOLDER", value)) << value;
        EXPECT_EQ(ini.read("FOLDERPATH", "CSV_FOLDER"), value);
    }
    // Files written by hand or by other tools: blanks around '=' and enclosing quotes are not part of the
    // value.
    writeText(ini.path(), "[S]\nA =  x y  \nB=\"  padded \"\nC='it''s'\nD=\r\n");
    EXPECT_EQ(ini.read("S", "A"), "x y");
    EXPECT_EQ(ini.read("S", "B"), "  padded ");
    EXPECT_EQ(ini.read("S", "C"), "it''s");
    EXPECT_EQ(ini.read("S", "D"), "");
}

TEST(IniFile, ReadsAreCutAt259CharactersWithoutSplittingOne)
{
    TempFolder folder;
    const IniFile ini(folder / "s.ini");
    const std::string ascii(300, 'x');
    ASSERT_TRUE(ini.write("S", "K", ascii));
    EXPECT_EQ(ini.read("S", "K"), std::string(259, 'x'));
    EXPECT_EQ(ini.read("S", "K", 1000), ascii) << "the whole value stays in the file";

    std::string wide;
    for (int i = 0; i < 300; ++i)
        wide += "あ";
    ASSERT_TRUE(ini.write("S", "K", wide));
    EXPECT_EQ(ini.read("S", "K"), wide.substr(0, 259 * 3));
    ASSERT_TRUE(ini.write("S", "K", std::string(259, 'y')));
    EXPECT_EQ(ini.read("S", "K"), std::string(259, 'y'));
}

TEST(IniFile, AWriteChangesOneLineAndKeepsEverythingElse)
{
    TempFolder folder;
    const IniFile ini(folder / "s.ini");
    const std::string before = "\xEF\xBB\xBF; written by hand\r\n"
                               "[MAP]\r\nTILES=https://tile.example/{z}/{x}/{y}.png\r\n\r\n"
                               "[DISPLAY]\r\nINFOCHECK=31\r\nASPECT = on\r\n; keep me\r\n\r\n"
                               "[SOURCE]\r\nSELECT=SD\r\nLAST";
    writeText(ini.path(), before);

    ASSERT_TRUE(ini.write("DISPLAY", "ASPECT", "off"));
    ASSERT_TRUE(ini.write("DISPLAY", "VOLUME", "100"));
    ASSERT_TRUE(ini.write("SOURCE", "FOLDER", "/media/card"));
    ASSERT_TRUE(ini.write("FOLDERPATH", "CSV_FOLDER", "/tmp"));
    EXPECT_EQ(readText(ini.path()),
        "\xEF\xBB\xBF; written by hand\r\n"
        "[MAP]\r\nTILES=https://tile.example/{z}/{x}/{y}.png\r\n\r\n"
        "[DISPLAY]\r\nINFOCHECK=31\r\nASPECT=off\r\n; keep me\r\nVOLUME=100\r\n\r\n"
        "[SOURCE]\r\nSELECT=SD\r\nLAST\r\nFOLDER=/media/card\r\n"
        "[FOLDERPATH]\r\nCSV_FOLDER=/tmp\r\n");
    EXPECT_EQ(ini.read("MAP", "TILES"), "https://tile.example/{z}/{x}/{y}.png");
}

TEST(IniFile, WhatCannotBeStoredOnOneLineIsRefusedAndTheFileIsUntouched)
{
    TempFolder folder;
    const IniFile ini(folder / "s.ini");
    ASSERT_TRUE(ini.write("S", "K", "v"));
    const std::string before = readText(ini.path());
    const struct {
        const char* section;
        const char* key;
        std::string value;
    } cases[] = {
        { "S", "K", "two\nlines" },
        { "S", "K", "cr\r" },
        { "S", "K", std::string("nul\0x", 5) },
        { "S", "", "v" },
        { "", "K", "v" },
        { "S]", "K", "v" },
        { "S", "K=", "v" },
        { "S", "[K", "v" },
        { "S", ";K", "v" },
        { " S", "K", "v" },
        { "S", "K ", "v" },
    };
    for (const auto& c : cases)
        EXPECT_FALSE(ini.write(c.section, c.key, c.value)) << c.section << "/" << c.key << "=" << c.value;
    EXPECT_EQ(readText(ini.path()), before);
}

TEST(IniFile, WritesReplaceTheFileAtomically)
{
    TempFolder folder;
    const IniFile ini(folder / "s.ini");
    ASSERT_TRUE(ini.write("S", "K", "old"));
    ASSERT_EQ(::chmod(ini.path().c_str(), 0640), 0);

    // A second name for the old file keeps the old content: the new one was written beside it and
    // renamed over the name, never rewritten in place where a crash would leave half a file.
    std::filesystem::create_hard_link(ini.path(), folder / "old-link");
    ASSERT_TRUE(ini.write("S", "K", "new"));
    EXPECT_EQ(readText(folder / "old-link"), "[S]\nK=old\n");
    EXPECT_EQ(readText(ini.path()), "[S]\nK=new\n");

    struct stat st { };
    ASSERT_EQ(::stat(ini.path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u) << "the permissions of the replaced file are kept";

    // No temporary file is left behind.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> { "old-link", "s.ini" }));

    // A link to the settings file stays a link; the file it names gets the new content.
    std::filesystem::create_symlink(ini.path(), folder / "linked.ini");
    ASSERT_TRUE(IniFile(folder / "linked.ini").write("S", "K", "via link"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "linked.ini"));
    EXPECT_EQ(IniFile(ini.path()).read("S", "K"), "via link");
}

TEST(IniFile, TwoProgramsWritingAtOnceLoseNoChange)
{
    // Two copies of the program may run at once, and each writes its own keys.
    TempFolder folder;
    const IniFile ini(folder / "s.ini");
    constexpr int kWriters = 4;
    constexpr int kWrites = 40;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool ok = true;
            for (int i = 0; i < kWrites; ++i)
                ok = ini.write("S", "K" + std::to_string(w), std::to_string(i)) && ok;
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int w = 0; w < kWriters; ++w)
        EXPECT_EQ(ini.read("S", "K" + std::to_string(w)), std::to_string(kWrites - 1)) << w;
}

TEST(IniFile, AnUnreadableFileIsNeverOverwritten)
{
    TempFolder folder;
    // A folder where the file should be stands for any file that cannot be read.
    std::filesystem::create_directory(folder / "s.ini");
    const IniFile ini(folder / "s.ini");
    EXPECT_EQ(ini.read("S", "K"), "");
    EXPECT_FALSE(ini.write("S", "K", "v"));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "s.ini"));
}

TEST(IniDocument, UnchangedTextRoundTripsByteForByte)
{
    const std::string texts[]
        = { "", "\n", "no sections\nkey=value", "[A]\r\nx=1\r\n", "\xEF\xBB\xBF[A]\nx=1", "[A]\n\n\n" };
    for (const auto& text : texts)
        EXPECT_EQ(IniDocument::parse(text).text(), text);
}
