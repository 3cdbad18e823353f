#pragma once

#include <QByteArray>
#include <QMap>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

namespace kivora::settingstest {

// A small HTTP server on 127.0.0.1 for the update check: it answers GET requests from a table of
// paths, 404 for the rest, and can also stall (never answer) or stream without end. Runs on the
// test's thread; the test's event loop drives it.
class LocalHttpServer : public QObject {
public:
    enum class Mode { Normal, Silent, Endless };

    LocalHttpServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                socket->setParent(this);
                QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onRead(socket); });
            }
        });
    }

    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()); }
    void serve(const QString& path, const QByteArray& body) { m_files[path] = body; }
    void setMode(Mode mode) { m_mode = mode; }
    // The paths requested so far, in order.
    const QStringList& requests() const { return m_requests; }
    // Bytes sent by the endless mode.
    qint64 streamed() const { return m_streamed; }

private:
    void onRead(QTcpSocket* socket)
    {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        if (!buffer.contains("\r\n\r\n"))
            return;
        const QList<QByteArray> words = buffer.left(buffer.indexOf("\r\n")).split(' ');
        buffer.clear();
        const QString path = words.size() > 1 ? QString::fromLatin1(words[1]) : QString();
        m_requests << path;
        if (m_mode == Mode::Silent)
            return;
        if (m_mode == Mode::Endless) {
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n");
            QObject::connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] {
                if (socket->bytesToWrite() < 65536 && socket->state() == QAbstractSocket::ConnectedState) {
                    socket->write(QByteArray(65536, 'x'));
                    m_streamed += 65536;
                }
            });
            socket->write(QByteArray(65536, 'x'));
            return;
        }
        const auto found = m_files.constFind(path);
        const QByteArray body = found != m_files.constEnd() ? *found : QByteArrayLiteral("not found");
        const QByteArray status = found != m_files.constEnd() ? "200 OK" : "404 Not Found";
        socket->write("HTTP/1.1 " + status + "\r\nContent-Type: text/plain\r\nContent-Length: "
            + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QMap<QString, QByteArray> m_files;
    QMap<QTcpSocket*, QByteArray> m_buffers;
    QStringList m_requests;
    Mode m_mode = Mode::Normal;
    qint64 m_streamed = 0;
};

} // namespace kivora::settingstest
