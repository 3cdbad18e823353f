#include "TileServer.h"

#include <QBuffer>
#include <QImage>
#include <QRegularExpression>

TileServer::TileServer(bool cacheable)
    : m_cacheable(cacheable)
{
    QImage tile(256, 256, QImage::Format_RGB32);
    tile.fill(QColor(170, 211, 223)); // water blue, easy to tell from the plain ground
    QBuffer buffer(&m_png);
    buffer.open(QIODevice::WriteOnly);
    tile.save(&buffer, "PNG");
    connect(&m_server, &QTcpServer::newConnection, this, &TileServer::onConnection);
}

bool TileServer::start(quint16 port)
{
    if (!m_server.listen(QHostAddress::LocalHost, port))
        return false;
    m_port = m_server.serverPort();
    return true;
}

void TileServer::stop()
{
    m_server.close();
    for (const QPointer<QTcpSocket>& socket : m_sockets) {
        if (socket)
            socket->abort();
    }
    m_sockets.clear();
}

QString TileServer::urlTemplate() const
{
    return QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(m_port);
}

void TileServer::onConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        m_sockets.append(socket);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadable(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void TileServer::onReadable(QTcpSocket* socket)
{
    QByteArray pending = socket->property("pending").toByteArray() + socket->readAll();
    static const QRegularExpression tilePath(QStringLiteral("^GET /\\d+/\\d+/\\d+\\.png "));
    qsizetype end;
    while ((end = pending.indexOf("\r\n\r\n")) >= 0) {
        const QByteArray request = pending.left(end);
        pending.remove(0, end + 4);
        for (const QByteArray& line : request.split('\n')) {
            if (line.toLower().startsWith("user-agent:"))
                m_userAgent = line.mid(11).trimmed();
        }
        QByteArray answer;
        if (tilePath.match(QString::fromLatin1(request)).hasMatch()) {
            ++m_tileRequests;
            answer = "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: "
                + QByteArray::number(m_png.size())
                + "\r\nCache-Control: " + (m_cacheable ? "max-age=3600" : "no-store") + "\r\n\r\n" + m_png;
        } else {
            answer = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n";
        }
        socket->write(answer);
    }
    socket->setProperty("pending", pending);
}
