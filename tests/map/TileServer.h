#pragma once

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

// A local tile server: every GET of /z/x/y.png is answered with one small PNG. Stopping it
// closes its connections, so the page sees the network go away.
class TileServer final : public QObject {
    Q_OBJECT
public:
    // cacheable: the answers may be kept by the browser's cache (an hour) or not at all.
    explicit TileServer(bool cacheable);
    bool start(quint16 port = 0);
    void stop();
    quint16 port() const { return m_port; }
    QString urlTemplate() const;
    int tileRequests() const { return m_tileRequests; }
    const QByteArray& lastUserAgent() const { return m_userAgent; }

private:
    void onConnection();
    void onReadable(QTcpSocket* socket);

    QTcpServer m_server;
    QList<QPointer<QTcpSocket>> m_sockets;
    QByteArray m_png;
    QByteArray m_userAgent;
    quint16 m_port = 0;
    int m_tileRequests = 0;
    bool m_cacheable;
};
