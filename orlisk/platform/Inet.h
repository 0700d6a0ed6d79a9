#pragma once

#include "platform/Failure.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QString>

class QNetworkReply;

namespace orlisk {

// The HTTP transfer component: one synchronous GET at a time.
class Inet {
public:
    virtual ~Inet() = default;
    // Fetches the address; true with the body, or false with the failure filled in.
    virtual bool OpenURL(const QString& address, QByteArray& body, Failure& failure) = 0;
    virtual bool StillExecuting() const = 0;
    // Gives up a running request (the program is ending).
    virtual void Cancel() {}
};

// GET over QNetworkAccessManager. It waits in a local event loop, so window messages (timer
// ticks, clicks) go on; a call made meanwhile is refused with ErrorNumber::Busy.
class HttpInet final : public Inet {
public:
    static constexpr int kDefaultTimeoutMs = 60000;
    static constexpr qint64 kMaxBody = qint64{32} * 1024 * 1024;

    HttpInet();
    ~HttpInet() override;

    bool OpenURL(const QString& address, QByteArray& body, Failure& failure) override;
    bool StillExecuting() const override { return m_busy; }
    void Cancel() override;

    void SetRequestTimeout(int ms) { m_timeoutMs = ms; }
    int RequestTimeout() const { return m_timeoutMs; }
    void SetRemotePort(int port) { m_remotePort = port; }
    int RemotePort() const { return m_remotePort; }
    void SetMaxBody(qint64 bytes) { m_maxBody = bytes; }

private:
    QNetworkAccessManager m_manager;
    QPointer<QNetworkReply> m_reply;
    bool m_busy = false;
    int m_timeoutMs = kDefaultTimeoutMs;
    int m_remotePort = 80;
    qint64 m_maxBody = kMaxBody;
};

} // namespace orlisk
