// The whole program on a private session bus, driven only through MPRIS as the desktop's media
// controls drive it: play, pause, a seek read back, the next recording, and the walk at x4 from
// the last recording of a folder into the next folder.

#include "tests/support/TempFolder.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>

namespace {

const QString kService = QStringLiteral("org.mpris.MediaPlayer2.kivora");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");

bool waitFor(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QThread::msleep(50);
    }
    return true;
}

class MprisProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "needs a display (xvfb-run)";
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            GTEST_SKIP() << "no dbus-daemon";
        bus.start(daemon,
            { QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                QStringLiteral("--print-address=1") });
        ASSERT_TRUE(bus.waitForReadyRead(10000));
        address = QString::fromUtf8(bus.readLine()).trimmed();

        const auto card = folder.path() / "card";
        QProcess cli;
        cli.start(QStringLiteral(KIVORA_CLI_PATH),
            { QStringLiteral("democard"), QString::fromStdString(card.string()), QStringLiteral("--days"),
                QStringLiteral("2"), QStringLiteral("--recordings"), QStringLiteral("4"),
                QStringLiteral("--seconds"), QStringLiteral("3"), QStringLiteral("--main"),
                QStringLiteral("640x360"), QStringLiteral("--sub"), QStringLiteral("320x180"),
                QStringLiteral("--no-audio") });
        ASSERT_TRUE(cli.waitForFinished(120000));
        ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        env.insert(QStringLiteral("KIVORA_AUTOPLAY"), QStringLiteral("0"));
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(QString::fromStdString(folder.path().string()));
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(QStringLiteral(KIVORA_APP_PATH), { QString::fromStdString(card.string()) });
        ASSERT_TRUE(program.waitForStarted(10000));
        connection = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, QStringLiteral("mpris-program")));
        ASSERT_TRUE(connection->isConnected());
        ASSERT_TRUE(waitFor([&] { return !url().isEmpty(); }, 60000)) << "the first recording never showed";
    }
    void TearDown() override
    {
        connection.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("mpris-program"));
        if (program.state() != QProcess::NotRunning) {
            program.terminate();
            if (!program.waitForFinished(10000))
                program.kill();
            program.waitForFinished(5000);
        }
        bus.terminate();
        bus.waitForFinished(5000);
    }

    QVariantMap metadata()
    {
        const QVariant v = proxy()->property("Metadata");
        return v.toMap();
    }
    QString url() { return metadata().value(QStringLiteral("xesam:url")).toString(); }
    QString status() { return proxy()->property("PlaybackStatus").toString(); }
    qlonglong position() { return proxy()->property("Position").toLongLong(); }

    TempFolder folder;
    QProcess bus;
    QProcess program;
    QString address;
    std::unique_ptr<QDBusConnection> connection;
    // A fresh proxy each time: one made before the program registered stays invalid.
    std::unique_ptr<QDBusInterface> proxy()
    {
        return std::make_unique<QDBusInterface>(kService, kPath, kPlayer, *connection);
    }
};

} // namespace

TEST_F(MprisProgram, PlaysPausesSeeksAndWalksThroughTheCardByRemoteControlAlone)
{
    // Play is refused until the recording has opened, as the play button is.
    ASSERT_TRUE(waitFor(
        [&] {
            proxy()->call(QStringLiteral("Play"));
            return waitFor([&] { return status() == QStringLiteral("Playing"); }, 1000);
        },
        20000))
        << status().toStdString();
    proxy()->call(QStringLiteral("Pause"));
    ASSERT_TRUE(waitFor([&] { return status() == QStringLiteral("Paused"); }, 10000))
        << status().toStdString();

    // A seek to 1.5 s reads back within one frame (1/30 s).
    const QDBusObjectPath track = metadata().value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>();
    proxy()->call(QStringLiteral("SetPosition"), QVariant::fromValue(track), qlonglong(1'500'000));
    EXPECT_TRUE(waitFor([&] { return std::llabs(position() - 1'500'000) <= 33'334; }, 10000))
        << "position " << position();

    const QString first = url();
    proxy()->call(QStringLiteral("Next"));
    ASSERT_TRUE(waitFor([&] { return !url().isEmpty() && url() != first; }, 20000));

    // On to the last recording of the folder (Next then changes nothing), and let it end at x4:
    // the walk goes on with the first recording of the next folder.
    for (int i = 0; i < 10; ++i) {
        const QString before = url();
        proxy()->call(QStringLiteral("Next"));
        if (!waitFor([&] { return url() != before; }, 3000))
            break;
    }
    // The last recording has been playing meanwhile: near its end the hub refuses a rate change,
    // as its toolbar does, so the walk starts again from its first frame.
    const QString last = url();
    proxy()->call(QStringLiteral("Pause"));
    const QDBusObjectPath lastTrack
        = metadata().value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>();
    proxy()->call(QStringLiteral("SetPosition"), QVariant::fromValue(lastTrack), qlonglong(0));
    ASSERT_TRUE(waitFor([&] { return position() < 100'000; }, 10000)) << "position " << position();
    proxy()->call(QStringLiteral("Play"));
    ASSERT_TRUE(waitFor([&] { return status() == QStringLiteral("Playing"); }, 20000))
        << status().toStdString();
    QDBusInterface properties(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), *connection);
    // Right after the seek the clock may still show the picture from the end, where the hub
    // refuses a rate change for a tick or two: the client asks again, as it sees the rate unchanged.
    bool taken = false;
    for (int attempt = 0; attempt < 10 && !taken; ++attempt) {
        const QDBusMessage set = properties.call(
            QStringLiteral("Set"), kPlayer, QStringLiteral("Rate"), QVariant::fromValue(QDBusVariant(4.0)));
        ASSERT_NE(set.type(), QDBusMessage::ErrorMessage) << set.errorMessage().toStdString();
        taken = waitFor([&] { return proxy()->property("Rate").toDouble() == 4.0; }, 300);
    }
    EXPECT_TRUE(taken) << "rate " << proxy()->property("Rate").toDouble();
    EXPECT_TRUE(waitFor(
        [&] { return !url().isEmpty() && url() != last && status() == QStringLiteral("Playing"); }, 30000))
        << "still " << url().toStdString() << " " << status().toStdString();
}
