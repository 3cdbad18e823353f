// The MPRIS service on a private bus, driven by a D-Bus client as the desktop's media controls
// would drive it, over a fake main window: properties, every method, the answers to bad arguments,
// and the signals that tell the desktop about changes.

#include "kivora/app/MprisService.h"
#include "tests/support/TempFolder.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusInterface>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <future>
#include <limits>

using namespace kivora::app;
using namespace std::chrono_literals;

namespace {

const QString kPath = QString::fromLatin1(MprisService::kObjectPath);
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

// The main window as remote controls see it: commands are recorded and refused when disabled.
class FakeControl : public IPlayerControl {
public:
    FakeControl()
    {
        s.engineState = 3;
        s.rateCode = 1;
        s.position = 300;
        s.duration = 1800;
        s.framePeriodMs = 1000.0 / 30.0;
        s.movie = "/card/DCIM/Movie/AG__-230115-083000-000123M.MOV";
        s.label = "2023/01/15 08:30:00";
        s.index = 4;
        s.count = 9;
    }
    bool runCommand(int id) override
    {
        commands.push_back(id);
        if (!commandEnabled(id))
            return false;
        if (id == 38002)
            s.engineState = s.engineState == 2 ? 3 : 2;
        if (id == 38000)
            s.engineState = 1;
        if (id == 38005) {
            ++s.index;
            s.movie.replace_filename("AG__-230115-084000-000124M.MOV");
        }
        return true;
    }
    bool commandEnabled(int id) const override { return !disabled.contains(id); }
    bool seekToFrame(std::int64_t frame) override
    {
        seeks.push_back(frame);
        if (!seekLater)
            s.position = frame;
        return true;
    }
    bool setRateCode(int code) override
    {
        rates.push_back(code);
        s.rateCode = code;
        return true;
    }
    bool openSourcePath(const std::filesystem::path& path) override
    {
        opened.push_back(path);
        return true;
    }
    PlayerStatus status() const override { return s; }

    PlayerStatus s;
    QSet<int> disabled;
    bool seekLater = false; // the window reaches the frame after the call returns
    std::vector<int> commands;
    std::vector<std::int64_t> seeks;
    std::vector<int> rates;
    std::vector<std::filesystem::path> opened;
};

// A bus of our own, so that the tests never meet the desktop's players (or a running kivora).
class PrivateBus {
public:
    PrivateBus()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            return;
        m_process.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                 QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
        if (m_process.waitForReadyRead(10000))
            address = QString::fromUtf8(m_process.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    QString address;

private:
    QProcess m_process;
};

// Signals of the service as a desktop applet hears them.
class Listener : public QObject {
    Q_OBJECT
public:
    std::vector<qlonglong> seeked;
    std::vector<QVariantMap> changes;

public Q_SLOTS:
    void onSeeked(qlonglong position) { seeked.push_back(position); }
    void onPropertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList&)
    {
        if (interface == kPlayer)
            changes.push_back(changed);
    }
};

template <class Pred> bool spinUntil(Pred pred, int ms = 5000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

QVariant plain(QVariant v)
{
    if (v.userType() == qMetaTypeId<QDBusVariant>())
        v = v.value<QDBusVariant>().variant();
    if (v.userType() == qMetaTypeId<QDBusArgument>())
        return qdbus_cast<QVariantMap>(v.value<QDBusArgument>());
    return v;
}

class Mpris : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (bus.address.isEmpty())
            GTEST_SKIP() << "no dbus-daemon";
        service = std::make_unique<MprisService>(
            control, &window, QDBusConnection::connectToBus(bus.address, QStringLiteral("service")));
        ASSERT_TRUE(service->isRegistered());
        QDBusConnection listen = QDBusConnection::connectToBus(bus.address, QStringLiteral("listener"));
        ASSERT_TRUE(listen.connect(QString(), kPath, kPlayer, QStringLiteral("Seeked"), &listener,
                                   SLOT(onSeeked(qlonglong))));
        ASSERT_TRUE(listen.connect(QString(), kPath, kProperties, QStringLiteral("PropertiesChanged"),
                                   &listener, SLOT(onPropertiesChanged(QString, QVariantMap, QStringList))));
    }
    void TearDown() override
    {
        service.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("service"));
        QDBusConnection::disconnectFromBus(QStringLiteral("listener"));
    }

    // One call from another process's point of view: a client on its own connection and thread,
    // while this thread serves it.
    QDBusMessage call(const QString& interface, const QString& method, const QVariantList& args = {})
    {
        const QString address = bus.address;
        auto reply = std::async(std::launch::async, [=] {
            QDBusMessage m;
            {
                QDBusConnection c = QDBusConnection::connectToBus(address, QStringLiteral("client"));
                QDBusInterface player(QString::fromLatin1(MprisService::kServiceName), kPath, interface, c);
                m = player.callWithArgumentList(QDBus::Block, method, args);
            }
            QDBusConnection::disconnectFromBus(QStringLiteral("client"));
            return m;
        });
        spinUntil([&] { return reply.wait_for(0ms) == std::future_status::ready; }, 30000);
        return reply.get();
    }
    QVariant get(const QString& interface, const QString& name)
    {
        const QDBusMessage m = call(kProperties, QStringLiteral("Get"), {interface, name});
        return m.arguments().isEmpty() ? QVariant() : plain(m.arguments().first());
    }
    QDBusMessage set(const QString& name, const QVariant& value)
    {
        return call(kProperties, QStringLiteral("Set"),
                    {kPlayer, name, QVariant::fromValue(QDBusVariant(value))});
    }
    QString trackId()
    {
        return get(kPlayer, QStringLiteral("Metadata"))
            .toMap()
            .value(QStringLiteral("mpris:trackid"))
            .value<QDBusObjectPath>()
            .path();
    }

    PrivateBus bus;
    FakeControl control;
    QWidget window;
    Listener listener;
    std::unique_ptr<MprisService> service;
};

} // namespace

TEST_F(Mpris, PropertiesShowTheWindowsStatus)
{
    control.s.rateCode = -2;
    control.disabled = {38001};
    const QDBusMessage all = call(kProperties, QStringLiteral("GetAll"), {kPlayer});
    ASSERT_EQ(all.type(), QDBusMessage::ReplyMessage) << all.errorMessage().toStdString();
    const QVariantMap p = plain(all.arguments().first()).toMap();
    EXPECT_EQ(p.value(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Paused"));
    EXPECT_DOUBLE_EQ(p.value(QStringLiteral("Rate")).toDouble(), 0.5);
    EXPECT_DOUBLE_EQ(p.value(QStringLiteral("MinimumRate")).toDouble(), 0.25);
    EXPECT_DOUBLE_EQ(p.value(QStringLiteral("MaximumRate")).toDouble(), 4.0);
    EXPECT_EQ(p.value(QStringLiteral("Position")).toLongLong(), 10'000'000);
    EXPECT_TRUE(p.value(QStringLiteral("CanGoNext")).toBool());
    EXPECT_FALSE(p.value(QStringLiteral("CanGoPrevious")).toBool());
    EXPECT_TRUE(p.value(QStringLiteral("CanSeek")).toBool());
    EXPECT_TRUE(p.value(QStringLiteral("CanControl")).toBool());

    const QVariantMap m = get(kPlayer, QStringLiteral("Metadata")).toMap();
    EXPECT_TRUE(
        m.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path().startsWith("/org/kivora/"));
    EXPECT_EQ(m.value(QStringLiteral("xesam:url")).toString(),
              QStringLiteral("file:///card/DCIM/Movie/AG__-230115-083000-000123M.MOV"));
    EXPECT_EQ(m.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("2023/01/15 08:30:00"));
    EXPECT_EQ(m.value(QStringLiteral("mpris:length")).toLongLong(), 60'000'000);

    EXPECT_EQ(get(kRoot, QStringLiteral("Identity")).toString(), QStringLiteral("kivora"));
    EXPECT_TRUE(get(kRoot, QStringLiteral("CanRaise")).toBool());
    EXPECT_FALSE(get(kRoot, QStringLiteral("HasTrackList")).toBool());
    EXPECT_EQ(get(kRoot, QStringLiteral("SupportedUriSchemes")).toStringList(),
              QStringList{QStringLiteral("file")});

    // Nothing open: no track, stopped, nothing to seek.
    control.s = PlayerStatus{};
    EXPECT_EQ(trackId(), QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
    EXPECT_EQ(get(kPlayer, QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Stopped"));
    EXPECT_FALSE(get(kPlayer, QStringLiteral("CanSeek")).toBool());
}

TEST_F(Mpris, MethodsRunTheToolbarsCommands)
{
    struct Case {
        const char* method;
        QVariantList args;
        int stateBefore;
        std::vector<int> commands;
    };
    const Case cases[] = {
        {"Play", {}, 3, {38002}},
        {"Play", {}, 2, {}},
        {"Pause", {}, 2, {38002}},
        {"Pause", {}, 3, {}},
        {"PlayPause", {}, 3, {38002}},
        {"Stop", {}, 2, {38000}},
        {"Next", {}, 3, {38005}},
        {"Previous", {}, 3, {38001}},
        // Past the end goes on to the next recording.
        {"Seek", {qlonglong(120'000'000)}, 3, {38005}},
    };
    for (const Case& c : cases) {
        control.commands.clear();
        control.s.engineState = c.stateBefore;
        const QDBusMessage m = call(kPlayer, QString::fromLatin1(c.method), c.args);
        EXPECT_EQ(m.type(), QDBusMessage::ReplyMessage) << c.method << m.errorMessage().toStdString();
        EXPECT_EQ(control.commands, c.commands) << c.method << " from state " << c.stateBefore;
    }

    // Seeks are in frames; a negative overshoot lands on the first frame.
    control.s.position = 300;
    call(kPlayer, QStringLiteral("Seek"), {qlonglong(2'000'000)});
    call(kPlayer, QStringLiteral("Seek"), {std::numeric_limits<qlonglong>::min()});
    EXPECT_EQ(control.seeks, (std::vector<std::int64_t>{360, 0}));

    // Rates go to the nearest step, those out of range to the nearest end; 0 pauses.
    control.s.engineState = 2;
    for (double r : {2.0, 3.1, 0.3, 100.0, 0.1})
        EXPECT_EQ(set(QStringLiteral("Rate"), r).type(), QDBusMessage::ReplyMessage) << r;
    EXPECT_EQ(control.rates, (std::vector<int>{2, 4, -4, 4, -4}));
    control.commands.clear();
    set(QStringLiteral("Rate"), 0.0);
    EXPECT_EQ(control.commands, std::vector<int>{38002});

    // A folder becomes the source.
    TempFolder folder;
    const QString uri = QUrl::fromLocalFile(QString::fromStdString(folder.path().string())).toString();
    EXPECT_EQ(call(kPlayer, QStringLiteral("OpenUri"), {uri}).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(control.opened, std::vector<std::filesystem::path>{folder.path()});
}

TEST_F(Mpris, DisabledCommandsHaveNoEffect)
{
    control.disabled = {38002, 38005, 38001};
    EXPECT_FALSE(get(kPlayer, QStringLiteral("CanPlay")).toBool());
    EXPECT_FALSE(get(kPlayer, QStringLiteral("CanGoNext")).toBool());
    for (const char* method : {"PlayPause", "Next", "Previous"})
        EXPECT_EQ(call(kPlayer, QString::fromLatin1(method)).type(), QDBusMessage::ReplyMessage) << method;
    EXPECT_EQ(control.s.engineState, 3);
    EXPECT_EQ(control.s.index, 4);
}

TEST_F(Mpris, BadArgumentsAreAnsweredWithErrorsAndChangeNothing)
{
    TempFolder folder;
    const QString track = trackId();
    const qlonglong length = 60'000'000;
    const auto path = [](const QString& p) { return QVariant::fromValue(QDBusObjectPath(p)); };
    struct Case {
        const char* what;
        const char* method;
        QVariantList args;
    };
    const Case cases[] = {
        {"unknown track", "SetPosition", {path(QStringLiteral("/org/kivora/track/999")), qlonglong(0)}},
        {"the no-track id",
         "SetPosition",
         {path(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack")), 0ll}},
        {"negative position", "SetPosition", {path(track), qlonglong(-1)}},
        {"past the end", "SetPosition", {path(track), length + 1}},
        {"huge position", "SetPosition", {path(track), std::numeric_limits<qlonglong>::max()}},
        {"wrong argument types", "SetPosition", {QStringLiteral("x"), QStringLiteral("y")}},
        {"web address", "OpenUri", {QStringLiteral("https://example.com/a.MOV")}},
        {"missing file", "OpenUri", {QStringLiteral("file:///nonexistent/kivora/a.MOV")}},
        {"file on another host", "OpenUri", {QStringLiteral("file://elsewhere/tmp")}},
        {"relative path", "OpenUri", {QStringLiteral("tmp/a.MOV")}},
        {"empty", "OpenUri", {QString()}},
        {"not a URI", "OpenUri", {QStringLiteral("file://%zz")}},
        {"a device", "OpenUri", {QStringLiteral("file:///dev/null")}},
    };
    for (const Case& c : cases) {
        const QDBusMessage m = call(kPlayer, QString::fromLatin1(c.method), c.args);
        EXPECT_EQ(m.type(), QDBusMessage::ErrorMessage) << c.what;
    }
    // A rate that is no number is not applied (Qt answers a property write without its context, so
    // the refusal cannot be an error reply there).
    for (double r : {std::nan(""), std::numeric_limits<double>::infinity()})
        set(QStringLiteral("Rate"), r);
    EXPECT_TRUE(control.seeks.empty());
    EXPECT_TRUE(control.opened.empty());
    EXPECT_TRUE(control.rates.empty());
    EXPECT_DOUBLE_EQ(get(kPlayer, QStringLiteral("Rate")).toDouble(), 1.0);
    EXPECT_EQ(get(kRoot, QStringLiteral("Identity")).toString(), QStringLiteral("kivora")) << "still serving";
}

TEST_F(Mpris, SeeksAndChangesAreSignalled)
{
    // The seek is announced once, at its target, even when the window gets there a moment later.
    const QString track = trackId();
    const auto at = [&](qlonglong us) {
        return QVariantList{QVariant::fromValue(QDBusObjectPath(track)), us};
    };
    control.seekLater = true;
    ASSERT_EQ(call(kPlayer, QStringLiteral("SetPosition"), at(5'000'000)).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(control.seeks, std::vector<std::int64_t>{150});
    ASSERT_TRUE(spinUntil([&] { return !listener.seeked.empty(); }));
    EXPECT_EQ(listener.seeked, std::vector<qlonglong>{5'000'000});
    control.s.position = 150;
    control.seekLater = false;
    service->poll();
    spinUntil([] { return false; }, 200);
    EXPECT_EQ(listener.seeked.size(), 1u);
    // SetPosition at the very end shows the last frame.
    call(kPlayer, QStringLiteral("SetPosition"), at(60'000'000));
    EXPECT_EQ(control.seeks.back(), 1799);
    // Its announcement comes over the bus, maybe after the reply: it must not land in the next list.
    ASSERT_TRUE(spinUntil([&] { return listener.seeked.size() == 2; }));

    // A seek from the window itself, and a change of state and track.
    listener.seeked.clear();
    control.s.position = 900;
    service->poll();
    ASSERT_TRUE(spinUntil([&] { return !listener.seeked.empty(); }));
    EXPECT_EQ(listener.seeked.back(), 30'000'000);
    control.s.position = 901; // one frame on, while paused
    service->poll();
    ASSERT_TRUE(spinUntil([&] { return listener.seeked.size() == 2; }));
    EXPECT_EQ(listener.seeked.back(), 30'033'333);
    control.runCommand(38002);
    control.runCommand(38005);
    service->poll();
    ASSERT_TRUE(spinUntil([&] { return !listener.changes.empty(); }));
    const QVariantMap changed = listener.changes.back();
    EXPECT_EQ(changed.value(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Playing"));
    EXPECT_NE(plain(changed.value(QStringLiteral("Metadata")))
                  .toMap()
                  .value(QStringLiteral("mpris:trackid"))
                  .value<QDBusObjectPath>()
                  .path(),
              track);
    EXPECT_FALSE(changed.contains(QStringLiteral("Position"))) << "position is read, not announced";
    // Nothing changed: nothing announced.
    const std::size_t before = listener.changes.size();
    service->poll();
    spinUntil([] { return false; }, 200);
    EXPECT_EQ(listener.changes.size(), before);
}

TEST_F(Mpris, RaiseAndQuitActOnTheWindow)
{
    window.showMinimized();
    call(kRoot, QStringLiteral("Raise"));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
    call(kRoot, QStringLiteral("Quit"));
    EXPECT_FALSE(window.isVisible());
}

TEST_F(Mpris, SecondInstanceAndNoBus)
{
    FakeControl other;
    MprisService second(other, nullptr, QDBusConnection::connectToBus(bus.address, QStringLiteral("second")));
    EXPECT_TRUE(second.isRegistered());
    EXPECT_TRUE(second.serviceName().startsWith(QStringLiteral("org.mpris.MediaPlayer2.kivora.instance")));
    QDBusConnection::disconnectFromBus(QStringLiteral("second"));

    MprisService none(other, nullptr, QDBusConnection(QStringLiteral("no-such-connection")));
    EXPECT_FALSE(none.isRegistered());
    none.poll();
}

#include "MprisServiceTest.moc"
