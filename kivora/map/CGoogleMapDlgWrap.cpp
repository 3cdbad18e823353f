#include "kivora/map/CGoogleMapDlgWrap.h"

#include "kivora/map/CGoogleMapDlg2.h"
#include "kivora/map/IMapTrackSource.h"
#include "kivora/map/MapMessages.h"
#include "kivora/map/MapSettings.h"
#include "kivora/map/ScriptText.h"
#include "kivora/map/TrackArray.h"

#include <QNetworkInformation>
#include <QTimer>

#include <algorithm>

namespace kivora::map {

namespace {

constexpr int kMaxReloads = 3;
constexpr int kReloadDelayMs = 1000;

} // namespace

CGoogleMapDlgWrap::CGoogleMapDlgWrap(Parts parts)
    : m_parts(std::move(parts))
{
    m_view = new CGoogleMapDlg2(this, m_parts.cacheFolder);
    m_view->hide();
    connect(m_view, &CGoogleMapDlg2::pageLoaded, this, &CGoogleMapDlgWrap::onPageLoaded);
    connect(m_view, &CGoogleMapDlg2::renderProcessDied, this, &CGoogleMapDlgWrap::onRenderProcessDied);
    watchNetwork();
    if (m_parts.tracks) {
        m_parts.tracks->onGroupTrackReady([this] {
            if (m_groupTrackAwaited && m_htmlReady) {
                m_groupTrackAwaited = false;
                ExecScript(createLineCall());
            }
        });
    }
    m_view->loadPage();
}

CGoogleMapDlgWrap::~CGoogleMapDlgWrap()
{
    if (m_parts.tracks)
        m_parts.tracks->onGroupTrackReady({});
    if (m_view) {
        m_view->detachHost();
        delete m_view.data();
    }
}

void CGoogleMapDlgWrap::watchNetwork()
{
    // Reachability comes from the system; the tile server is never polled for it.
    if (!QNetworkInformation::instance())
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    if (QNetworkInformation* info = QNetworkInformation::instance()) {
        connect(info, &QNetworkInformation::reachabilityChanged, this,
            [this](QNetworkInformation::Reachability reachability) {
                if (m_view)
                    m_view->sendNetworkReachable(reachability == QNetworkInformation::Reachability::Online);
            });
    }
}

void CGoogleMapDlgWrap::onPageLoaded(bool ok)
{
    m_pageReady = ok;
    if (ok) {
        m_runtimePresent = true;
        m_reloads = 0;
    }
}

void CGoogleMapDlgWrap::onRenderProcessDied()
{
    m_pageReady = false;
    m_htmlReady = 0;
    m_lastStoppedBatch.reset();
    m_runtimePresent = false;
    if (m_reloads < kMaxReloads) {
        ++m_reloads;
        QTimer::singleShot(kReloadDelayMs, this, [this] {
            if (m_view)
                m_view->loadPage();
        });
    }
}

void CGoogleMapDlgWrap::ExecScript(const QString& text)
{
    if (m_view)
        m_view->execScript(text);
}

void CGoogleMapDlgWrap::SetMapStatus(int status)
{
    if (!m_view)
        return;
    switch (status) {
    case 1:
        m_view->setStatus(QStringLiteral("pause"));
        break;
    case 2:
        m_view->setStatus(QStringLiteral("stop"));
        ExecScript(moveMarkerCall());
        break;
    default:
        m_view->setStatus(QString());
        break;
    }
}

int CGoogleMapDlgWrap::SendCrashPoints(
    const std::vector<views::EventEntry>& events, int recordingIndex, bool withGroupTrack)
{
    if (!m_htmlReady)
        return 1;
    CrashPointBatch batch = buildCrashPointBatch(events, recordingIndex, withGroupTrack);
    if (batch.result == 0 && m_lastStoppedBatch == batch)
        return 0;
    for (const QString& script : batch.scripts)
        ExecScript(script);
    const int result = batch.result;
    if (result == 0)
        m_lastStoppedBatch = std::move(batch);
    else
        m_lastStoppedBatch.reset();
    return result;
}

void CGoogleMapDlgWrap::ShowMap(bool show)
{
    // Only what this wrapper showed is hidden again. The map's own state counts, not whether it
    // can be seen: in full screen its window is hidden, and a map hidden meanwhile must not come
    // back with that window.
    if (!m_view)
        return;
    if (show && !m_shown && m_view->isHidden()) {
        m_view->show();
        m_shown = true;
    } else if (!show && m_shown && !m_view->isHidden()) {
        m_view->hide();
        m_shown = false;
    }
}

void CGoogleMapDlgWrap::SetMapParent(QWidget* parent)
{
    if (!m_view || m_view->parentWidget() == parent)
        return;
    const bool visible = m_view->isVisible();
    m_view->setParent(parent);
    m_view->setVisible(visible);
}

void CGoogleMapDlgWrap::setMapGeometry(const QRect& rect)
{
    if (m_view)
        m_view->setGeometry(rect);
}

void CGoogleMapDlgWrap::setCurrentFrame(std::int64_t frame)
{
    m_position = frame;
}

void CGoogleMapDlgWrap::setMapSwitch(bool on)
{
    m_mapSwitch = on;
    if (!on)
        ShowMap(false);
}

int CGoogleMapDlgWrap::connectTest()
{
    // Tiles or not, a ready page can draw: the tile state only drives the page's "offline" note.
    if (m_mapSwitch && m_pageReady)
        return 1;
    // The page drops its map on 0; what it had must be sent again once it is back.
    m_htmlReady = 0;
    m_lastStoppedBatch.reset();
    return 0;
}

QVariantMap CGoogleMapDlgWrap::mapUrl()
{
    const TileSettings tiles = readTileSettings(m_parts.settingsFile);
    return QVariantMap { { QStringLiteral("url"), tiles.urlTemplate },
        { QStringLiteral("attribution"), tiles.attribution } };
}

QVariantList CGoogleMapDlgWrap::gpsData()
{
    const auto track = m_parts.tracks ? m_parts.tracks->groupTrack() : std::vector<recording::GpsSample> {};
    // Still being read: the page draws no group line for now, and is asked again once it is ready.
    m_groupTrackAwaited = !track;
    return buildTrackArray(track ? *track : std::vector<recording::GpsSample> {});
}

QVariant CGoogleMapDlgWrap::gridData()
{
    if (!m_parts.tracks)
        return {};
    const auto track = m_parts.tracks->currentTrack();
    if (!track)
        return {};
    return buildTrackArray(*track);
}

QString CGoogleMapDlgWrap::relJpgNum()
{
    return QString::number(m_position);
}

void CGoogleMapDlgWrap::onClickCrashPoint(int /*ifile*/, int /*igrid*/, int ipos, int /*valid*/,
    double /*lat*/, double /*lng*/, double /*speed*/, double /*direction*/)
{
    // The frame comes from the page: keep it inside the movie.
    std::int64_t frame = std::max<std::int64_t>(ipos, 0);
    const std::int64_t last = m_parts.tracks ? m_parts.tracks->lastFrame() : -1;
    if (last >= 0)
        frame = std::min(frame, last);
    platform::postMessage(
        m_parts.mainWindow, kMsgMapCrashPointClicked, 0, static_cast<platform::LParam>(frame));
}

void CGoogleMapDlgWrap::onInitHtml()
{
    m_htmlReady = 1;
    m_lastStoppedBatch.reset();
    if (m_view) {
        if (QNetworkInformation* info = QNetworkInformation::instance()) {
            if (info->reachability() != QNetworkInformation::Reachability::Unknown)
                m_view->sendNetworkReachable(
                    info->reachability() == QNetworkInformation::Reachability::Online);
        }
    }
    platform::postMessage(m_parts.mainWindow, kMsgMapReady);
}

void CGoogleMapDlgWrap::setSend()
{
    if (!m_view)
        return;
    if (m_parts.tracks) {
        if (const auto position = m_parts.tracks->positionAt(m_position))
            m_view->setPosition(position->first, position->second);
    }
    m_view->sendUpdate();
}

} // namespace kivora::map
