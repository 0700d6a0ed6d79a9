#pragma once

// The viewer's windows with a fake for every service, in a scratch current folder (where the
// camera list lives) with a scratch cache folder (where the picture file goes).

#include "cameras/CamList.h"
#include "cameras/Form2.h"
#include "cameras/Form3.h"
#include "platform/Inet.h"
#include "platform/PictureLoader.h"
#include "platform/Platform.h"
#include "support/Fakes.h"
#include "support/HttpServer.h"
#include "viewer/Form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPair>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace orlisk::test {

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid() && cache.isValid());
        QDir::setCurrent(dir.path());
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    }
    void TearDown() override { QDir::setCurrent(QDir::tempPath()); }

    // Makes the windows in the program's order.
    void MakeWindows() {
        // Windows of an earlier start go first, the main window (which refers to the others)
        // before the others.
        form1.reset();
        form3.reset();
        form2.reset();
        form2 = std::make_unique<Form2>(screen);
        form3 = std::make_unique<Form3>(screen);
        form1 = std::make_unique<Form1>(platform, *form2, *form3, store);
    }
    // ...and loads and shows the main window, as the end of the splash does.
    void Start() {
        MakeWindows();
        form1->FormLoad();
        form1->show();
    }

    // The picture timer has shown the last picture (blurred when the blur is on).
    [[nodiscard]] bool PictureShown() {
        return QTest::qWaitFor([this] {
            return form2->Label8->text() == QStringLiteral("1") ||
                   (!form1->Check2->isChecked() && !form2->Timer3->isActive() &&
                    !form2->Timer4->isActive());
        });
    }

    QApplication& app = App();
    QTemporaryDir dir;
    QTemporaryDir cache;
    HttpInet inet;
    QtPictureLoader pictures;
    FakeScreen screen;
    ScriptedMessageBoxes boxes;
    FakeClock clock;
    FakeRandom random;
    RecordingShell shell;
    int ended = 0;
    Platform platform{&inet,   &pictures,           &screen, &boxes, &clock,
                      &random, [this] { ++ended; }, &shell};
    CamListStore store;
    std::unique_ptr<Form2> form2;
    std::unique_ptr<Form3> form3;
    std::unique_ptr<Form1> form1;
};

// ...with the cameras served on loopback.
class ServedWindowFixture : public WindowFixture {
protected:
    // Writes the camera list, (description, path on the server) pairs; the pickers sort them.
    void WriteCams(const QList<QPair<QString, QString>>& cams) {
        QByteArray bytes;
        for (const auto& [description, path] : cams)
            bytes += description.toUtf8() + "\r\n" + server.Url(path).toUtf8() + "\r\n";
        QFile file(QStringLiteral("Cams.inf"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    HttpServer server;
};

} // namespace orlisk::test
