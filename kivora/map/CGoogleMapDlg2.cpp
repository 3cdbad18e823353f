#include "kivora/map/CGoogleMapDlg2.h"

#include "kivora/map/CJsonHolder.h"
#include "kivora/map/HostWebViewObject.h"
#include "kivora/map/MapWebProfile.h"
#include "kivora/map/ScriptText.h"

#include <QWebChannel>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineSettings>

namespace kivora::map {

namespace {

const QUrl kPageUrl(QStringLiteral("qrc:/map/map.html"));

// The page never leaves its own resources: whatever a click or a script asks, the map stays.
class MapPage final : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override
    {
        return !isMainFrame || url.scheme() == QLatin1String("qrc");
    }
};

} // namespace

CGoogleMapDlg2::CGoogleMapDlg2(IHostWebViewFuncs* funcs, const QString& cacheFolder, QWidget* parent)
    : QWebEngineView(parent)
{
    m_profile = createMapProfile(cacheFolder, this);
    auto* page = new MapPage(m_profile, this);
    QWebEngineSettings* settings = page->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    setPage(page);
    setContextMenuPolicy(Qt::NoContextMenu);

    m_host = new HostWebViewObject(funcs, this);
    m_channel = new QWebChannel(this);
    m_channel->registerObject(QStringLiteral("sample"), m_host);
    page->setWebChannel(m_channel);

    connect(page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        // A refused navigation ends as a failed load of the address it asked for, while the map's
        // own document stays and keeps working: only the loads of that document count.
        if (info.url() != kPageUrl || info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
            return;
        // A new document starts at the default zoom.
        setZoomFactor(kZoomFactor);
        Q_EMIT pageLoaded(info.status() == QWebEngineLoadingInfo::LoadSucceededStatus);
    });
    connect(page, &QWebEnginePage::renderProcessTerminated, this,
        [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
            if (status != QWebEnginePage::NormalTerminationStatus)
                Q_EMIT renderProcessDied();
        });
}

CGoogleMapDlg2::~CGoogleMapDlg2()
{
    detachHost();
    // The page must go before its profile.
    QWebEnginePage* current = page();
    setPage(nullptr);
    delete current;
}

void CGoogleMapDlg2::loadPage()
{
    setZoomFactor(kZoomFactor);
    page()->load(kPageUrl);
}

void CGoogleMapDlg2::execScript(const QString& text)
{
    if (QWebEnginePage* current = page())
        current->runJavaScript(text);
}

void CGoogleMapDlg2::sendUpdate()
{
    CJsonHolder json;
    json.set(QStringLiteral("val_command"), QStringLiteral("update"));
    json.set(QStringLiteral("map_lat"), fixed6(m_latitude));
    json.set(QStringLiteral("map_lng"), fixed6(m_longitude));
    json.set(QStringLiteral("map_status"), m_status);
    json.set(QStringLiteral("val_end"), QString());
    Q_EMIT m_host->webMessage(QString::fromUtf8(json.toJson()));
}

void CGoogleMapDlg2::sendNetworkReachable(bool reachable)
{
    Q_EMIT m_host->networkReachable(reachable);
}

void CGoogleMapDlg2::detachHost()
{
    if (m_host)
        m_host->detach();
}

} // namespace kivora::map
