#pragma once

#include <QString>
#include <QWebEngineView>

class QWebChannel;
class QWebEngineProfile;

namespace kivora::map {

class HostWebViewObject;
class IHostWebViewFuncs;

// The map window: the map page in a web view, with the host object "sample" on its web channel.
// It keeps the position and play status the page is told about. UI thread only.
class CGoogleMapDlg2 final : public QWebEngineView {
    Q_OBJECT
public:
    static constexpr double kZoomFactor = 0.65;

    // funcs must outlive the window (or call detachHost first). An empty cacheFolder uses the
    // user's cache folder.
    CGoogleMapDlg2(IHostWebViewFuncs* funcs, const QString& cacheFolder, QWidget* parent = nullptr);
    ~CGoogleMapDlg2() override;

    // Loads the page (again).
    void loadPage();
    // Runs text in the page; results are not awaited.
    void execScript(const QString& text);

    void setPosition(double latitude, double longitude)
    {
        m_latitude = latitude;
        m_longitude = longitude;
    }
    void setStatus(const QString& status) { m_status = status; }
    const QString& status() const { return m_status; }
    // Posts the update message (position and status) to the page.
    void sendUpdate();
    // Tells the page whether the system reports a network.
    void sendNetworkReachable(bool reachable);

    void detachHost();
    HostWebViewObject* host() const { return m_host; }

Q_SIGNALS:
    // The page loaded (ok) or failed to; the render process died (ok false as well).
    void pageLoaded(bool ok);
    void renderProcessDied();

private:
    QWebEngineProfile* m_profile = nullptr; // child; outlives the page (deleted in the destructor)
    QWebChannel* m_channel = nullptr;
    HostWebViewObject* m_host = nullptr;
    double m_latitude = 0.0;
    double m_longitude = 0.0;
    QString m_status; // empty, "pause" or "stop"
};

} // namespace kivora::map
