#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

namespace orlisk::test {

// A small HTTP/1.1 server on loopback that runs in the test's own thread: the viewer's
// download waits in a local event loop, which serves these sockets too.
class HttpServer : public QObject {
    Q_OBJECT
public:
    enum class Behaviour {
        Normal,      // status, headers, body
        NeverAnswer, // reads the request and stays silent
        CutShort,    // announces the whole body, sends half of it and closes
        Endless,     // a body without length that never ends
        HugeLength,  // announces a body far above any cap, sends a little
        Delayed,     // answers normally after delayMs
    };
    struct Route {
        int status = 200;
        QByteArray reason = "OK";
        QByteArray body;
        QByteArray contentType = "image/jpeg";
        Behaviour behaviour = Behaviour::Normal;
        int delayMs = 0;
    };

    HttpServer();
    ~HttpServer() override;

    quint16 Port() const { return m_server.serverPort(); }
    QString Url(const QString& path) const;
    void SetRoute(const QString& path, const Route& route) { m_routes[path] = route; }
    void SetPicture(const QString& path, const QByteArray& bytes);
    int Hits(const QString& path) const { return m_hits.value(path); }

private:
    void OnConnection();
    void OnReadyRead(QTcpSocket* socket);
    void Answer(QTcpSocket* socket, const Route& route);

    QTcpServer m_server;
    QHash<QString, Route> m_routes;
    QHash<QString, int> m_hits;
    QHash<QTcpSocket*, QByteArray> m_pending;
    QList<QPointer<QTcpSocket>> m_sockets;
};

} // namespace orlisk::test
