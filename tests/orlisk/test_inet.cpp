// The HTTP transfer component against a real server on loopback.
#include "platform/Inet.h"
#include "support/Fakes.h"
#include "support/HttpServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

using namespace orlisk;
using test::HttpServer;

namespace {

class InetTest : public ::testing::Test {
protected:
    bool Fetch(const QString& address) { return inet.OpenURL(address, body, failure); }

    QApplication& app = test::App();
    HttpServer server;
    HttpInet inet;
    QByteArray body;
    Failure failure;
};

HttpServer::Route With(HttpServer::Behaviour behaviour, QByteArray body = QByteArray(),
                       int delayMs = 0) {
    HttpServer::Route route;
    route.behaviour = behaviour;
    route.body = std::move(body);
    route.delayMs = delayMs;
    return route;
}

} // namespace

TEST_F(InetTest, ReturnsTheBodyOfAPicture) {
    const QByteArray png = test::Png(64, 48);
    server.SetPicture(QStringLiteral("/cam.png"), png);
    ASSERT_TRUE(Fetch(server.Url(QStringLiteral("/cam.png")))) << failure.Description.toStdString();
    EXPECT_EQ(body, png);
    EXPECT_FALSE(inet.StillExecuting());
    EXPECT_EQ(inet.RequestTimeout(), 60000);
    EXPECT_EQ(inet.RemotePort(), 80);
}

TEST_F(InetTest, RemotePortIsUsedOnlyWhenTheAddressNamesNone) {
    server.SetPicture(QStringLiteral("/a.png"), test::Png(4, 4));
    inet.SetRemotePort(server.Port());
    EXPECT_TRUE(Fetch(QStringLiteral("http://127.0.0.1/a.png")));
    EXPECT_TRUE(Fetch(QStringLiteral("127.0.0.1/a.png"))) << "an address without scheme is HTTP";
    inet.SetRemotePort(1);
    EXPECT_TRUE(Fetch(server.Url(QStringLiteral("/a.png"))));
}

TEST_F(InetTest, HttpErrorsCarryTheirStatus) {
    EXPECT_FALSE(Fetch(server.Url(QStringLiteral("/missing.jpg"))));
    EXPECT_EQ(failure.Number, 404);
    EXPECT_EQ(failure.Description, QStringLiteral("Not Found"));
    EXPECT_TRUE(body.isEmpty()) << "an error page is never handed on as a picture";
}

TEST_F(InetTest, ANoServerAddressIsRefused) {
    quint16 port = 0;
    {
        HttpServer closed;
        port = closed.Port();
    }
    EXPECT_FALSE(Fetch(QStringLiteral("http://127.0.0.1:%1/x.jpg").arg(port)));
    EXPECT_EQ(failure.Number, ErrorNumber::ConnectionRefused);
    EXPECT_FALSE(failure.Description.isEmpty());
}

TEST_F(InetTest, AddressesOtherThanHttpAreNeverFetched) {
    for (const char* address : {"file:///etc/passwd", "ftp://example.com/x.jpg", "http://", ""}) {
        EXPECT_FALSE(Fetch(QString::fromLatin1(address))) << address;
        EXPECT_EQ(failure.Number, ErrorNumber::InvalidAddress) << address;
    }
}

TEST_F(InetTest, AServerThatNeverAnswersTimesOut) {
    server.SetRoute(QStringLiteral("/slow.jpg"), With(HttpServer::Behaviour::NeverAnswer));
    inet.SetRequestTimeout(300);
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_FALSE(Fetch(server.Url(QStringLiteral("/slow.jpg"))));
    EXPECT_EQ(failure.Number, ErrorNumber::TimedOut);
    EXPECT_LT(elapsed.elapsed(), 5000);
    EXPECT_FALSE(inet.StillExecuting());
}

TEST_F(InetTest, AResponseCutShortIsAnErrorEvenIfItsBytesWouldDecode) {
    server.SetRoute(QStringLiteral("/cut.jpg"),
                    With(HttpServer::Behaviour::CutShort, test::Jpeg(200, 200, true)));
    EXPECT_FALSE(Fetch(server.Url(QStringLiteral("/cut.jpg"))));
    EXPECT_EQ(failure.Number, ErrorNumber::CutShort);
    EXPECT_TRUE(body.isEmpty());
}

TEST_F(InetTest, AnEndlessOrHugeBodyIsCappedAndReported) {
    server.SetRoute(QStringLiteral("/endless"), With(HttpServer::Behaviour::Endless));
    server.SetRoute(QStringLiteral("/huge"), With(HttpServer::Behaviour::HugeLength, "x"));
    EXPECT_FALSE(Fetch(server.Url(QStringLiteral("/huge"))));
    EXPECT_EQ(failure.Number, ErrorNumber::TooLarge);
    EXPECT_FALSE(Fetch(server.Url(QStringLiteral("/endless"))));
    EXPECT_EQ(failure.Number, ErrorNumber::TooLarge);
    EXPECT_TRUE(body.isEmpty());
}

TEST_F(InetTest, AnEmptyBodyIsAnError) {
    server.SetPicture(QStringLiteral("/empty.jpg"), QByteArray());
    EXPECT_FALSE(Fetch(server.Url(QStringLiteral("/empty.jpg"))));
    EXPECT_EQ(failure.Number, ErrorNumber::EmptyBody);
}

TEST_F(InetTest, ACallDuringARequestIsRefusedAsBusyAndTheFirstGoesOn) {
    const QByteArray png = test::Png(8, 8);
    server.SetRoute(QStringLiteral("/slow.png"), With(HttpServer::Behaviour::Delayed, png, 300));
    Failure inner;
    bool innerOk = true;
    QTimer::singleShot(50, [&] {
        QByteArray innerBody;
        innerOk = inet.OpenURL(server.Url(QStringLiteral("/slow.png")), innerBody, inner);
    });
    ASSERT_TRUE(Fetch(server.Url(QStringLiteral("/slow.png"))));
    EXPECT_EQ(body, png);
    EXPECT_FALSE(innerOk);
    EXPECT_EQ(inner.Number, 35764);
    EXPECT_EQ(server.Hits(QStringLiteral("/slow.png")), 1);
}
