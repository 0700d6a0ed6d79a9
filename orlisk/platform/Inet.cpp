#include "platform/Inet.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace orlisk {

namespace {

Failure Fail(int number, const QString& description) {
    return Failure{number, description};
}

Failure FailureOf(QNetworkReply& reply) {
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && status.toInt() >= 300) {
        QString reason =
            QString::fromLatin1(
                reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray())
                .trimmed();
        if (reason.isEmpty())
            reason = QStringLiteral("HTTP error");
        return Fail(status.toInt(), reason);
    }
    switch (reply.error()) {
    case QNetworkReply::HostNotFoundError:
        return Fail(ErrorNumber::HostNotFound,
                    QStringLiteral("Host not found: ") + reply.url().host());
    case QNetworkReply::ConnectionRefusedError:
        return Fail(ErrorNumber::ConnectionRefused,
                    QStringLiteral("The server refused the connection"));
    case QNetworkReply::RemoteHostClosedError:
        return Fail(ErrorNumber::CutShort,
                    QStringLiteral("The server closed the connection before the picture was "
                                   "complete"));
    case QNetworkReply::OperationCanceledError:
        return Fail(ErrorNumber::Cancelled, QStringLiteral("The request was cancelled"));
    case QNetworkReply::TimeoutError:
        return Fail(ErrorNumber::TimedOut, QStringLiteral("The request timed out"));
    default:
        return Fail(ErrorNumber::Network, reply.errorString());
    }
}

} // namespace

HttpInet::HttpInet() = default;

HttpInet::~HttpInet() {
    Cancel();
}

void HttpInet::Cancel() {
    if (m_reply)
        m_reply->abort();
}

bool HttpInet::OpenURL(const QString& address, QByteArray& body, Failure& failure) {
    body.clear();
    if (m_busy) {
        failure = Fail(ErrorNumber::Busy, QStringLiteral("Still executing last request"));
        return false;
    }
    // An address without a scheme is taken as HTTP, like a browser's address bar does.
    QString text = address.trimmed();
    if (!text.contains(QStringLiteral("://")))
        text.prepend(QStringLiteral("http://"));
    QUrl url(text, QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QStringLiteral("http") && scheme != QStringLiteral("https"))) {
        failure = Fail(ErrorNumber::InvalidAddress, QStringLiteral("Invalid address: ") + address);
        return false;
    }
    if (scheme == QStringLiteral("http") && url.port() == -1 && m_remotePort != 80)
        url.setPort(m_remotePort);

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    m_busy = true;
    QNetworkReply* reply = m_manager.get(request);
    m_reply = reply;

    bool timedOut = false;
    bool tooLarge = false;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > m_maxBody) {
            tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        if (tooLarge)
            return;
        body.append(reply->readAll());
        if (body.size() > m_maxBody) {
            tooLarge = true;
            reply->abort();
        }
    });
    timer.start(m_timeoutMs);
    if (!reply->isFinished())
        loop.exec();
    timer.stop();
    // The loop also ends when the whole program quits; then the request is given up.
    if (!reply->isFinished()) {
        reply->disconnect(&loop);
        reply->abort();
    }
    if (!tooLarge && reply->bytesAvailable() > 0)
        body.append(reply->readAll());

    bool ok = false;
    if (timedOut)
        failure = Fail(ErrorNumber::TimedOut, QStringLiteral("The request timed out"));
    else if (tooLarge || body.size() > m_maxBody)
        failure = Fail(
            ErrorNumber::TooLarge,
            QStringLiteral("The response is larger than %1 MiB").arg(m_maxBody / (1024 * 1024)));
    else if (reply->error() != QNetworkReply::NoError)
        failure = FailureOf(*reply);
    else if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() >= 300)
        failure = FailureOf(*reply);
    else if (body.isEmpty())
        failure = Fail(ErrorNumber::EmptyBody, QStringLiteral("The server sent no data"));
    else
        ok = true;
    if (!ok)
        body.clear();

    reply->disconnect(&loop);
    reply->deleteLater();
    m_reply = nullptr;
    m_busy = false;
    return ok;
}

} // namespace orlisk
