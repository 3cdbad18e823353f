// Runs the real program, the way a user starts it, in a fresh working folder.
#include "tests/support/QtTestApp.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <QProcess>

namespace {

struct ProgramRun {
    std::string shownLine; // the first line the program printed
    std::string iniWhileUp; // the settings file as it was while the window was up
    std::string output;
    std::string errors;
    bool finished = false;
    int exitCode = -1;
};

QProcessEnvironment programEnvironment(int autoQuitMs)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KIVORA_AUTOQUIT_MS", QString::number(autoQuitMs));
    // The map's web engine reports its set-up (naming the program) when it finds no GPU; that is
    // the machine, not a fault of the program.
    env.insert("QT_LOGGING_RULES", "qt.webenginecontext.info=false");
    // With a display (xvfb-run, a desktop) the window is a real X11 window; else offscreen.
    if (env.contains("DISPLAY"))
        env.remove("QT_QPA_PLATFORM");
    else
        env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

ProgramRun runProgram(const std::filesystem::path& folder, const QStringList& arguments, int autoQuitMs)
{
    qtTestApp();
    ProgramRun run;
    QProcess process;
    process.setWorkingDirectory(QString::fromStdString(folder.string()));
    process.setProcessEnvironment(programEnvironment(autoQuitMs));
    process.start(KIVORA_APP_PATH, arguments);
    if (!process.waitForStarted(10000))
        return run;
    while (!process.canReadLine() && process.state() == QProcess::Running)
        process.waitForReadyRead(30000);
    if (process.canReadLine()) {
        run.shownLine = process.readLine().toStdString();
        run.iniWhileUp = readText(folder / "Default_Folder.ini");
    }
    // waitForFinished() is false for a process that has already ended.
    const bool ended = process.state() == QProcess::NotRunning || process.waitForFinished(30000);
    run.finished = ended && process.exitStatus() == QProcess::NormalExit;
    if (!run.finished)
        process.kill();
    run.exitCode = process.exitCode();
    run.output = process.readAllStandardOutput().toStdString();
    run.errors = process.readAllStandardError().toStdString();
    return run;
}

} // namespace

TEST(MainWindow, FirstStartShowsOndrasilSeedsTheSettingsAndShutsDownCleanly)
{
    TempFolder folder;
    const ProgramRun run = runProgram(folder.path(), {}, 1500);
    EXPECT_EQ(run.shownLine, "kivora: shown \"Ondrasil\"\n") << run.errors;
    EXPECT_EQ(run.iniWhileUp, "[DISPLAY]\nINFOCHECK=31\nASPECT=on\nVOLUME=65535\n");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.errors.find("kivora"), std::string::npos) << run.errors;
    // Shutdown stores the window's scale factors after the seeded values.
    EXPECT_EQ(readText(folder / "Default_Folder.ini"),
        "[DISPLAY]\nINFOCHECK=31\nASPECT=on\nVOLUME=65535\nSCALEX=1.000000\nSCALEY=1.000000\n");
}

TEST(MainWindow, AnExistingSettingsFileIsReadNotCompleted)
{
    TempFolder folder;
    writeText(folder / "Default_Folder.ini",
        "[SOURCE]\nSELECT=FOLDER\n[DISPLAY]\nASPECT=On\nVOLUME=abc\n"
        "SCALEX=1.500000\nSCALEY=-1\n");
    std::filesystem::create_directory(folder / "card");
    const ProgramRun run = runProgram(folder.path(), { "card" }, 0);
    EXPECT_EQ(run.shownLine, "kivora: shown \"Ondrasil\"\n") << run.errors;
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0);
    // No seeding; the volume read ("abc" is 0) is stored back as a number; the ignored SCALEY leaves 1.
    EXPECT_EQ(readText(folder / "Default_Folder.ini"),
        "[SOURCE]\nSELECT=FOLDER\n[DISPLAY]\nASPECT=On\nVOLUME=0\n"
        "SCALEX=1.500000\nSCALEY=1.000000\n");
}

TEST(MainWindow, HelpAndUnusableArgumentsNeedNoWindow)
{
    TempFolder folder;
    QProcess help;
    help.setWorkingDirectory(QString::fromStdString(folder.path().string()));
    help.start(KIVORA_APP_PATH, { "--help" });
    ASSERT_TRUE(help.waitForFinished(30000));
    EXPECT_EQ(help.exitCode(), 0);
    EXPECT_TRUE(help.readAllStandardOutput().startsWith("usage: kivora [--user-settings] [SOURCE]"));

    const ProgramRun missing = runProgram(folder.path(), { "no-such-card" }, 0);
    ASSERT_TRUE(missing.finished);
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.errors.find("kivora: no such file or folder: no-such-card"), std::string::npos)
        << missing.errors;
    EXPECT_FALSE(std::filesystem::exists(folder / "Default_Folder.ini")) << "refused before anything starts";
}
