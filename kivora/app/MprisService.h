#pragma once

// The desktop's media controls (media keys, the shell's player applet) over MPRIS on the session
// bus. Every call goes through the main window's one command path (IPlayerControl), so a remote
// control can do exactly what the toolbar can do at that moment and nothing else. The window stays
// unaware of D-Bus: changes reach the bus through a coalescing poll of its status.
//
// Thread: UI thread only. Without a session bus (or when the name cannot be had) the service is
// silently absent.

#include "kivora/app/IPlayerControl.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVariantMap>

#include <cstdint>
#include <optional>

class QWidget;

namespace kivora::app {

// The calls of both adaptors arrive with their D-Bus context on this object (Qt sets it on an
// adaptor's parent), so the errors are answered here.
class MprisService : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.kivora";
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr double kMinimumRate = 0.25;
    static constexpr double kMaximumRate = 4.0;

    // control and window outlive the service; window is raised and closed by Raise and Quit.
    MprisService(IPlayerControl& control, QWidget* window,
                 const QDBusConnection& bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);
    ~MprisService() override;

    // Registered on the bus: under kServiceName, or under a per-process instance name when another
    // kivora holds it.
    bool isRegistered() const { return !m_serviceName.isEmpty(); }
    QString serviceName() const { return m_serviceName; }

    // What the properties read (fresh from the window's status).
    QString playbackStatus() const;
    QVariantMap metadata() const;
    qlonglong positionUs() const;
    double rate() const;
    bool canGoNext() const;
    bool canGoPrevious() const;
    bool canPlay() const;
    bool canPause() const;
    bool canSeek() const;
    bool canRaise() const { return !m_window.isNull(); }
    bool canQuit() const { return !m_window.isNull(); }

    // The calls. A command the window refuses has no effect, as a disabled button has none; an
    // argument that is not valid is answered with the error returned (nothing is changed).
    using Failure = std::optional<QDBusError>;
    void play();
    void pause();
    void playPause();
    void stop();
    void next();
    void previous();
    void seek(qlonglong offsetUs);
    Failure setPosition(const QDBusObjectPath& trackId, qlonglong positionUs);
    Failure setRate(double rate);
    Failure openUri(const QString& uri);
    void raise();
    void quit();
    // Answers the D-Bus call being served with failure, if any.
    void answer(const Failure& failure);

    // Compares the status with what the bus last heard and announces the differences. Runs every
    // 200 ms; tests call it to avoid waiting.
    void poll();

Q_SIGNALS:
    // A jump of the position (not the steady advance of playback), in microseconds.
    void seeked(qlonglong positionUs);

private:
    struct Snapshot {
        QString status;
        QVariantMap metadata;
        double rate = 1.0;
        bool canGoNext = false;
        bool canGoPrevious = false;
        bool canPlay = false;
        bool canSeek = false;
    };
    PlayerStatus status() const;
    Snapshot snapshot() const;
    QVariantMap metadataOf(const PlayerStatus& s) const;
    QDBusObjectPath trackId(const PlayerStatus& s) const;
    std::int64_t lengthUs(const PlayerStatus& s) const;
    void announceSeek(std::int64_t frame);

    IPlayerControl& m_control;
    QPointer<QWidget> m_window;
    QDBusConnection m_bus;
    QString m_serviceName;
    QTimer m_poll;

    // The track id changes whenever the main movie does; mutable because reading a property may
    // be the first to see the new movie.
    mutable std::filesystem::path m_trackMovie;
    mutable quint64 m_trackSerial = 0;

    // What the bus last heard, and where playback was then (to tell a seek from playing on).
    std::optional<Snapshot> m_announced;
    std::int64_t m_lastPosition = 0;
    std::filesystem::path m_lastMovie;
    QElapsedTimer m_sinceLastPoll;
};

} // namespace kivora::app
