#include "support/HttpServer.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

namespace orlisk::test {

HttpServer::HttpServer() {
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &HttpServer::OnConnection);
}

HttpServer::~HttpServer() {
    // The sockets are the listening server's children: end them while the tables still exist.
    for (const auto& socket : m_sockets) {
        if (socket) {
            socket->disconnect();
            socket->abort();
            delete socket.data();
        }
    }
}

QString HttpServer::Url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(Port()).arg(path);
}

void HttpServer::SetPicture(const QString& path, const QByteArray& bytes) {
    Route route;
    route.body = bytes;
    SetRoute(path, route);
}

void HttpServer::OnConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        m_sockets.append(socket);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this, socket] { m_pending.remove(socket); });
    }
}

void HttpServer::OnReadyRead(QTcpSocket* socket) {
    QByteArray& buffer = m_pending[socket];
    buffer += socket->readAll();
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QByteArray requestLine = buffer.left(buffer.indexOf("\r\n"));
    buffer.remove(0, end + 4);
    const QList<QByteArray> parts = requestLine.split(' ');
    const QString path = parts.size() >= 2 ? QString::fromLatin1(parts[1]) : QString();
    ++m_hits[path];
    Route route;
    if (m_routes.contains(path)) {
        route = m_routes.value(path);
    } else {
        route.status = 404;
        route.reason = "Not Found";
        route.body = "<html><body>Not found</body></html>";
        route.contentType = "text/html";
    }
    if (route.behaviour == Behaviour::Delayed) {
        QPointer<QTcpSocket> guarded(socket);
        QTimer::singleShot(route.delayMs, this, [this, guarded, route] {
            if (guarded) {
                Route now = route;
                now.behaviour = Behaviour::Normal;
                Answer(guarded, now);
            }
        });
        return;
    }
    Answer(socket, route);
}

void HttpServer::Answer(QTcpSocket* socket, const Route& route) {
    if (route.behaviour == Behaviour::NeverAnswer)
        return;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(route.status) + ' ' + route.reason +
                      "\r\nContent-Type: " + route.contentType + "\r\n";
    switch (route.behaviour) {
    case Behaviour::Endless: {
        head += "Connection: close\r\n\r\n";
        socket->write(head);
        const QByteArray chunk(64 * 1024, 'x');
        socket->write(chunk);
        connect(socket, &QTcpSocket::bytesWritten, socket, [socket, chunk] {
            if (socket->bytesToWrite() < 4 * chunk.size())
                socket->write(chunk);
        });
        return;
    }
    case Behaviour::CutShort:
        head += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n\r\n";
        socket->write(head + route.body.left(route.body.size() / 2));
        socket->flush();
        socket->disconnectFromHost();
        return;
    case Behaviour::HugeLength:
        head += "Content-Length: 1099511627776\r\n\r\n";
        socket->write(head + route.body.left(1024));
        return;
    default:
        head += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n\r\n";
        socket->write(head + route.body);
        return;
    }
}

} // namespace orlisk::test
