#pragma once

#include "cameras/CamList.h"
#include "cameras/Form2.h"
#include "cameras/Form3.h"
#include "platform/Inet.h"
#include "platform/PictureLoader.h"
#include "support/Fakes.h"
#include "support/HttpServer.h"
#include "viewer/Form1.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace orlisk::test {

inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The viewer's three windows over a camera list in a temporary current folder, with pictures
// served on loopback and the clock, random numbers, screen and message boxes faked.
class ViewerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QDir::setCurrent(dir.path());
        inet.SetRequestTimeout(3000);
        platform =
            Platform{&inet, &pictures, &screen, &boxes, &clock, &random, [this] {
                                ++ended; }};
        server.SetPicture(QStringLiteral("/alpha.jpg"), Jpeg(320, 240));
        server.SetPicture(QStringLiteral("/beta.jpg"), Jpeg(640, 480));
        server.SetPicture(QStringLiteral("/zoo.jpg"), Jpeg(400, 100));
    }
    void TearDown() override { QDir::setCurrent(QDir::tempPath()); }

    // Writes the camera list; the entries appear sorted in the pickers.
    void WriteCams(const QList<QPair<QString, QString>>& cams) {
        QByteArray bytes;
        for (const auto& [description, path] : cams)
            bytes += description.toUtf8() + "\r\n" + server.Url(path).toUtf8() + "\r\n";
        QFile file(QStringLiteral("Cams.inf"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    void WriteThreeCams() {
        WriteCams({{QStringLiteral("Zoo"), QStringLiteral("/zoo.jpg")},
                   {QStringLiteral("Alpha"), QStringLiteral("/alpha.jpg")},
                   {QStringLiteral("Beta"), QStringLiteral("/beta.jpg")}});
    }
    void Start() {
        form2 = std::make_unique<Form2>(screen);
        form3 = std::make_unique<Form3>(screen);
        form1 = std::make_unique<Form1>(platform, *form2, *form3, store);
        form1->FormLoad();
        form1->show();
    }

    QApplication& app = App();
    QTemporaryDir dir;
    HttpServer server;
    HttpInet inet;
    QtPictureLoader pictures;
    FakeScreen screen;
    ScriptedMessageBoxes boxes;
    FakeClock clock;
    FakeRandom random;
    int ended = 0;
    Platform platform;
    CamListStore store;
    std::unique_ptr<Form2> form2;
    std::unique_ptr<Form3> form3;
    std::unique_ptr<Form1> form1;
};

} // namespace orlisk::test
