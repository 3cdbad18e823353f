#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

namespace kivora::map {

// What the host object asks of its owner (the map wrapper). UI thread only.
class IHostWebViewFuncs {
public:
    virtual ~IHostWebViewFuncs() = default;

    virtual int connectTest() = 0;
    // {"url": tile URL template, "attribution": plain text}
    virtual QVariantMap mapUrl() = 0;
    virtual QVariantList gpsData() = 0;
    // Null when there is no current track.
    virtual QVariant gridData() = 0;
    virtual QString relJpgNum() = 0;
    virtual void onClickCrashPoint(
        int ifile, int igrid, int ipos, int valid, double lat, double lng, double speed, double direction)
        = 0;
    virtual void onInitHtml() = 0;
    virtual void setSend() = 0;
};

// The object the page reaches as "sample" on the web channel. The page calls the JS2C_ methods
// (asynchronously: the results come back in callbacks) and listens to the signals. A method
// called after the owner is gone does nothing. UI thread only.
class HostWebViewObject final : public QObject {
    Q_OBJECT
public:
    explicit HostWebViewObject(IHostWebViewFuncs* funcs, QObject* parent = nullptr);
    void detach() { m_funcs = nullptr; }

    Q_INVOKABLE int JS2C_ConnectTest();
    Q_INVOKABLE QVariantMap JS2C_GetMapURL();
    Q_INVOKABLE QVariantList JS2C_GetGPSData();
    Q_INVOKABLE QVariant JS2C_GetGridData(const QVariant& unused);
    Q_INVOKABLE QString JS2C_GetRelJpgNum();
    Q_INVOKABLE void JS2C_OnClickCrashPoint(
        int ifile, int igrid, int ipos, int valid, double lat, double lng, double speed, double direction);
    Q_INVOKABLE void JS2C_OnInitHtml();
    Q_INVOKABLE void JS2C_SetSend();

Q_SIGNALS:
    // The update message: a flat JSON object of strings (map_lat, map_lng, map_status, ...).
    void webMessage(const QString& json);
    // What the system says about the network; the page retries its tiles when it comes back.
    void networkReachable(bool reachable);

private:
    IHostWebViewFuncs* m_funcs;
};

} // namespace kivora::map
