#include "kivora/map/HostWebViewObject.h"

namespace kivora::map {

HostWebViewObject::HostWebViewObject(IHostWebViewFuncs* funcs, QObject* parent)
    : QObject(parent)
    , m_funcs(funcs)
{
    setObjectName(QStringLiteral("sample"));
}

int HostWebViewObject::JS2C_ConnectTest()
{
    return m_funcs ? m_funcs->connectTest() : 0;
}

QVariantMap HostWebViewObject::JS2C_GetMapURL()
{
    return m_funcs ? m_funcs->mapUrl() : QVariantMap {};
}

QVariantList HostWebViewObject::JS2C_GetGPSData()
{
    return m_funcs ? m_funcs->gpsData() : QVariantList {};
}

QVariant HostWebViewObject::JS2C_GetGridData(const QVariant&)
{
    return m_funcs ? m_funcs->gridData() : QVariant {};
}

QString HostWebViewObject::JS2C_GetRelJpgNum()
{
    return m_funcs ? m_funcs->relJpgNum() : QStringLiteral("-1");
}

void HostWebViewObject::JS2C_OnClickCrashPoint(
    int ifile, int igrid, int ipos, int valid, double lat, double lng, double speed, double direction)
{
    if (m_funcs)
        m_funcs->onClickCrashPoint(ifile, igrid, ipos, valid, lat, lng, speed, direction);
}

void HostWebViewObject::JS2C_OnInitHtml()
{
    if (m_funcs)
        m_funcs->onInitHtml();
}

void HostWebViewObject::JS2C_SetSend()
{
    if (m_funcs)
        m_funcs->setSend();
}

} // namespace kivora::map
