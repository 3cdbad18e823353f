#include "kivora/app/MprisService.h"

#include "kivora/app/MprisPlayerAdaptor.h"
#include "kivora/app/MprisRootAdaptor.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>
#include <QUrl>
#include <QWidget>

#include <array>
#include <cmath>
#include <limits>

namespace kivora::app {

namespace {
// Toolbar commands the remote controls run.
constexpr int kCommandTop = 38000;
constexpr int kCommandPrevious = 38001;
constexpr int kCommandPlayPause = 38002;
constexpr int kCommandNext = 38005;

constexpr int kEnginePlaying = 2;
constexpr int kEnginePaused = 3;

constexpr int kPollMs = 200;
// While playing, a position further than this from where steady playback would have taken it was
// a seek; while not playing, any move was.
constexpr double kSeekToleranceMs = 1000.0;

const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

struct RateStep {
    int code;
    double rate;
};
// The rates the faster and slower commands step through.
constexpr std::array<RateStep, 5> kRates{{{-4, 0.25}, {-2, 0.5}, {1, 1.0}, {2, 2.0}, {4, 4.0}}};

double rateOfCode(int code)
{
    for (const RateStep& r : kRates) {
        if (r.code == code)
            return r.rate;
    }
    return 1.0;
}

int codeOfRate(double rate)
{
    // The nearest step on a logarithmic scale: 3.0 is nearer 4 than 2.
    const RateStep* best = &kRates[0];
    for (const RateStep& r : kRates) {
        if (std::fabs(std::log2(rate / r.rate)) < std::fabs(std::log2(rate / best->rate)))
            best = &r;
    }
    return best->code;
}

QString statusText(int engineState)
{
    switch (engineState) {
    case kEnginePlaying:
        return QStringLiteral("Playing");
    case kEnginePaused:
        return QStringLiteral("Paused");
    default:
        return QStringLiteral("Stopped");
    }
}

bool seekable(const PlayerStatus& s)
{
    return s.engineState != 0 && s.duration > 0 && s.framePeriodMs > 0.0;
}

QDBusError invalidArgs(const QString& why)
{
    return QDBusError(QDBusError::InvalidArgs, why);
}

std::int64_t microseconds(std::int64_t frames, double framePeriodMs)
{
    return std::int64_t(std::llround(double(frames) * framePeriodMs * 1000.0));
}

// The frame shown at a time within the movie (the last frame for its very end).
std::int64_t frameAt(std::int64_t us, const PlayerStatus& s)
{
    return std::min<std::int64_t>(std::llround(double(us) / (s.framePeriodMs * 1000.0)),
                                  std::max<std::int64_t>(s.duration - 1, 0));
}
} // namespace

MprisService::MprisService(IPlayerControl& control, QWidget* window, const QDBusConnection& bus,
                           QObject* parent)
    : QObject(parent)
    , m_control(control)
    , m_window(window)
    , m_bus(bus)
{
    if (!m_bus.isConnected())
        return;
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    if (!m_bus.registerObject(QString::fromLatin1(kObjectPath), this))
        return;
    // A second kivora takes an instance name, as the desktop's player applets expect.
    const QString name = QString::fromLatin1(kServiceName);
    const QString instance = name + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
    for (const QString& candidate : {name, instance}) {
        if (m_bus.registerService(candidate)) {
            m_serviceName = candidate;
            break;
        }
    }
    if (m_serviceName.isEmpty()) {
        m_bus.unregisterObject(QString::fromLatin1(kObjectPath));
        return;
    }
    m_announced = snapshot();
    const PlayerStatus s = status();
    m_lastPosition = s.position;
    m_lastMovie = s.movie;
    m_sinceLastPoll.start();
    connect(&m_poll, &QTimer::timeout, this, &MprisService::poll);
    m_poll.start(kPollMs);
}

MprisService::~MprisService()
{
    if (!isRegistered())
        return;
    m_bus.unregisterService(m_serviceName);
    m_bus.unregisterObject(QString::fromLatin1(kObjectPath));
}

PlayerStatus MprisService::status() const
{
    PlayerStatus s = m_control.status();
    if (s.movie != m_trackMovie) {
        m_trackMovie = s.movie;
        ++m_trackSerial;
    }
    return s;
}

QDBusObjectPath MprisService::trackId(const PlayerStatus& s) const
{
    if (s.movie.empty() || s.engineState == 0)
        return QDBusObjectPath(kNoTrack);
    return QDBusObjectPath(QStringLiteral("/org/kivora/track/%1").arg(m_trackSerial));
}

std::int64_t MprisService::lengthUs(const PlayerStatus& s) const
{
    return microseconds(s.duration, s.framePeriodMs);
}

QString MprisService::playbackStatus() const
{
    return statusText(status().engineState);
}

QVariantMap MprisService::metadata() const
{
    return metadataOf(status());
}

QVariantMap MprisService::metadataOf(const PlayerStatus& s) const
{
    QVariantMap m;
    m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(trackId(s)));
    if (s.movie.empty() || s.engineState == 0)
        return m;
    m.insert(QStringLiteral("xesam:url"),
             QUrl::fromLocalFile(QString::fromStdString(s.movie.string())).toString());
    m.insert(QStringLiteral("xesam:title"), QString::fromStdString(s.label));
    if (s.duration > 0 && s.framePeriodMs > 0.0)
        m.insert(QStringLiteral("mpris:length"), qlonglong(lengthUs(s)));
    return m;
}

qlonglong MprisService::positionUs() const
{
    const PlayerStatus s = status();
    return qlonglong(microseconds(std::max<std::int64_t>(s.position, 0), s.framePeriodMs));
}

double MprisService::rate() const
{
    return rateOfCode(status().rateCode);
}
bool MprisService::canGoNext() const
{
    return m_control.commandEnabled(kCommandNext);
}
bool MprisService::canGoPrevious() const
{
    return m_control.commandEnabled(kCommandPrevious);
}
bool MprisService::canPlay() const
{
    return m_control.commandEnabled(kCommandPlayPause);
}
bool MprisService::canPause() const
{
    return m_control.commandEnabled(kCommandPlayPause);
}

bool MprisService::canSeek() const
{
    return seekable(status());
}

void MprisService::play()
{
    if (status().engineState != kEnginePlaying)
        m_control.runCommand(kCommandPlayPause);
}

void MprisService::pause()
{
    if (status().engineState == kEnginePlaying)
        m_control.runCommand(kCommandPlayPause);
}

void MprisService::playPause()
{
    m_control.runCommand(kCommandPlayPause);
}

void MprisService::stop()
{
    const int state = status().engineState;
    if (state == kEnginePlaying || state == kEnginePaused)
        m_control.runCommand(kCommandTop);
}

void MprisService::next()
{
    m_control.runCommand(kCommandNext);
}
void MprisService::previous()
{
    m_control.runCommand(kCommandPrevious);
}

void MprisService::seek(qlonglong offsetUs)
{
    const PlayerStatus s = status();
    if (!seekable(s))
        return;
    const std::int64_t from = microseconds(s.position, s.framePeriodMs);
    // Saturating: a client may send any 64-bit offset.
    std::int64_t to;
    if (__builtin_add_overflow(from, std::int64_t(offsetUs), &to))
        to = offsetUs > 0 ? std::numeric_limits<std::int64_t>::max() : 0;
    if (to < 0)
        to = 0;
    if (to > lengthUs(s)) {
        // Past the end means the next recording.
        next();
        return;
    }
    const std::int64_t frame = frameAt(to, s);
    if (m_control.seekToFrame(frame))
        announceSeek(frame);
}

MprisService::Failure MprisService::setPosition(const QDBusObjectPath& track, qlonglong positionUs)
{
    const PlayerStatus s = status();
    if (trackId(s).path() == kNoTrack)
        return invalidArgs(QStringLiteral("No recording is open"));
    if (track.path() != trackId(s).path())
        return invalidArgs(QStringLiteral("Unknown track id %1").arg(track.path()));
    if (!seekable(s))
        return invalidArgs(QStringLiteral("The recording cannot be positioned"));
    if (positionUs < 0 || positionUs > lengthUs(s))
        return invalidArgs(QStringLiteral("Position %1 is outside the recording (0 .. %2 µs)")
                               .arg(positionUs)
                               .arg(qlonglong(lengthUs(s))));
    const std::int64_t frame = frameAt(positionUs, s);
    if (m_control.seekToFrame(frame))
        announceSeek(frame);
    return std::nullopt;
}

MprisService::Failure MprisService::setRate(double rate)
{
    if (rate == 0.0) {
        pause(); // a client that sets rate 0 means pause
        return std::nullopt;
    }
    if (!std::isfinite(rate) || rate < kMinimumRate || rate > kMaximumRate)
        return invalidArgs(
            QStringLiteral("Rate %1 is outside %2 .. %3").arg(rate).arg(kMinimumRate).arg(kMaximumRate));
    const int code = codeOfRate(rate);
    if (code != status().rateCode)
        m_control.setRateCode(code);
    poll();
    return std::nullopt;
}

MprisService::Failure MprisService::openUri(const QString& uri)
{
    const QUrl url(uri, QUrl::StrictMode);
    if (!url.isValid() || !url.isLocalFile() || !url.host().isEmpty())
        return invalidArgs(QStringLiteral("Not a local file URI: %1").arg(uri));
    const QString path = url.toLocalFile();
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isAbsolute() || !info.exists())
        return invalidArgs(QStringLiteral("No such file or folder: %1").arg(path));
    if (!info.isDir() && !info.isFile())
        return invalidArgs(QStringLiteral("Not a movie or a folder: %1").arg(path));
    if (!m_control.openSourcePath(std::filesystem::path(path.toStdString())))
        return QDBusError(QDBusError::Failed,
                          QStringLiteral("The source cannot be opened now: %1").arg(path));
    return std::nullopt;
}

void MprisService::answer(const Failure& failure)
{
    if (failure && calledFromDBus())
        sendErrorReply(failure->type(), failure->message());
}

void MprisService::raise()
{
    if (!m_window)
        return;
    if (m_window->isMinimized())
        m_window->showNormal();
    else
        m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void MprisService::quit()
{
    if (m_window)
        m_window->close();
}

MprisService::Snapshot MprisService::snapshot() const
{
    const PlayerStatus now = status();
    Snapshot s;
    s.status = statusText(now.engineState);
    s.metadata = metadataOf(now);
    s.rate = rateOfCode(now.rateCode);
    s.canGoNext = canGoNext();
    s.canGoPrevious = canGoPrevious();
    s.canPlay = canPlay();
    s.canSeek = seekable(now);
    return s;
}

void MprisService::announceSeek(std::int64_t frame)
{
    // The window may still be on its way to the frame: announce where it goes, and let the poll
    // measure playback from there.
    const PlayerStatus s = status();
    m_lastPosition = frame;
    m_lastMovie = s.movie;
    m_sinceLastPoll.restart();
    Q_EMIT seeked(qlonglong(microseconds(frame, s.framePeriodMs)));
}

void MprisService::poll()
{
    if (!isRegistered())
        return;
    const Snapshot now = snapshot();
    QVariantMap changed;
    const Snapshot& was = *m_announced;
    if (now.status != was.status)
        changed.insert(QStringLiteral("PlaybackStatus"), now.status);
    if (now.metadata != was.metadata)
        changed.insert(QStringLiteral("Metadata"), now.metadata);
    if (now.rate != was.rate)
        changed.insert(QStringLiteral("Rate"), now.rate);
    if (now.canGoNext != was.canGoNext)
        changed.insert(QStringLiteral("CanGoNext"), now.canGoNext);
    if (now.canGoPrevious != was.canGoPrevious)
        changed.insert(QStringLiteral("CanGoPrevious"), now.canGoPrevious);
    if (now.canPlay != was.canPlay) {
        changed.insert(QStringLiteral("CanPlay"), now.canPlay);
        changed.insert(QStringLiteral("CanPause"), now.canPlay);
    }
    if (now.canSeek != was.canSeek)
        changed.insert(QStringLiteral("CanSeek"), now.canSeek);
    m_announced = now;
    if (!changed.isEmpty()) {
        QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                         QStringLiteral("org.freedesktop.DBus.Properties"),
                                                         QStringLiteral("PropertiesChanged"));
        signal << kPlayerInterface << changed << QStringList();
        m_bus.send(signal);
    }

    // A seek from the toolbar, the keyboard or the position slider: the position moved other than
    // playback would have moved it within this recording.
    const PlayerStatus s = status();
    if (s.position < 0)
        return; // the clock could not be read this time: nothing is known
    const double elapsedMs = double(m_sinceLastPoll.restart());
    if (s.movie == m_lastMovie && s.framePeriodMs > 0.0) {
        const bool playing = s.engineState == kEnginePlaying;
        double expected = double(m_lastPosition);
        if (playing)
            expected += elapsedMs * rateOfCode(s.rateCode) / s.framePeriodMs;
        const double offMs = std::fabs(double(s.position) - expected) * s.framePeriodMs;
        if (playing ? offMs > kSeekToleranceMs : s.position != m_lastPosition)
            Q_EMIT seeked(qlonglong(microseconds(s.position, s.framePeriodMs)));
    }
    m_lastPosition = s.position;
    m_lastMovie = s.movie;
}

} // namespace kivora::app
