#include "tests/settings/LocalHttpServer.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempFolder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

using kivora::settingstest::LocalHttpServer;

namespace {

// The real program, started on a generated card under a display, with the settings file of its
// working folder naming (or not) the local update server. Counts the windows titled like the
// update notice while it runs.
struct ProgramRun {
    int noticeWindows = 0;
    int exitCode = -1;
    std::string output; // the end of what the program printed, for a failure's message
};

int windowsTitled(const QString& title)
{
    QProcess search;
    search.start(QStringLiteral("xdotool"),
        { QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^%1$").arg(title) });
    if (!search.waitForFinished(5000))
        return -1;
    return int(QString::fromUtf8(search.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts).size());
}

ProgramRun runProgram(const std::filesystem::path& work, const std::filesystem::path& card)
{
    QProcess program;
    program.setWorkingDirectory(QString::fromStdString(work.string()));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KIVORA_AUTOQUIT_MS"), QStringLiteral("4000"));
    env.insert(QStringLiteral("no_proxy"), QStringLiteral("127.0.0.1,localhost"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QStringLiteral(KIVORA_APP_PATH), { QString::fromStdString(card.string()) });
    ProgramRun run;
    QElapsedTimer clock;
    clock.start();
    // The server answers on this thread, so the loop keeps running while the program does.
    while (program.state() != QProcess::NotRunning && clock.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
        program.waitForFinished(100);
        run.output += program.readAll().toStdString();
        run.noticeWindows = std::max(run.noticeWindows, windowsTitled(QString::fromUtf8("更新情報")));
    }
    run.output += program.readAll().toStdString();
    // A crash reports its signal as the exit code; say which it was.
    run.exitCode = program.exitStatus() == QProcess::CrashExit ? -program.exitCode() : program.exitCode();
    if (run.output.size() > 4000)
        run.output.erase(0, run.output.size() - 4000);
    return run;
}

} // namespace

// The whole program: the main window starts the check once its initial source is loaded.
TEST(UpdateNoticeProgram, TheNoticeAppearsOnceAfterStartUpAndNothingIsAskedWithoutAServer)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        GTEST_SKIP() << "needs a display (xvfb-run)";
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        GTEST_SKIP() << "needs xdotool";
    qputenv("no_proxy", "127.0.0.1,localhost");
    TempFolder folder;
    const auto card = folder.path() / "card";
    ASSERT_EQ(kivora::testing::runCli({ "democard", card.string(), "--tiny", "2" }).status, 0);
    LocalHttpServer server;
    server.serve(QStringLiteral("/updates/viewer/Ondrasil/Ondrasil_version.txt"), "VER:2.0.2.0\r\n");

    const auto quiet = folder.path() / "quiet";
    std::filesystem::create_directory(quiet);
    const ProgramRun without = runProgram(quiet, card);
    EXPECT_EQ(without.exitCode, 0) << without.output;
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_EQ(without.noticeWindows, 0);

    const auto asking = folder.path() / "asking";
    std::filesystem::create_directory(asking);
    std::ofstream(asking / "Default_Folder.ini")
        << "[UPDATE]\nBASE_URL=" << server.baseUrl().toStdString() << "\n";
    const ProgramRun with = runProgram(asking, card);
    EXPECT_EQ(with.exitCode, 0) << with.output;
    // The card names its recorder: besides the viewer's version, its firmware and GPS data are
    // asked for, each once.
    const QStringList asked = server.requests();
    EXPECT_TRUE(asked.contains(QStringLiteral("/updates/viewer/Ondrasil/Ondrasil_version.txt")))
        << asked.join(' ').toStdString();
    EXPECT_EQ(asked.size(), 3) << asked.join(' ').toStdString();
    EXPECT_EQ(asked.filter(QStringLiteral("/updates/recorder/")).size(), 1);
    EXPECT_EQ(asked.filter(QStringLiteral("/updates/gpsdata/")).size(), 1);
    EXPECT_EQ(with.noticeWindows, 1);
}
