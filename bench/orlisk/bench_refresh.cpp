// One refresh of a 1920 x 1080 JPEG from a loopback server: lookup in the camera list, HTTP
// fetch, "data.dat", decoding, and fitting into both windows.
#include "cameras/CamList.h"
#include "cameras/Form2.h"
#include "cameras/Form3.h"
#include "platform/Clock.h"
#include "platform/Inet.h"
#include "platform/PictureLoader.h"
#include "support/Fakes.h"
#include "support/HttpServer.h"
#include "viewer/Form1.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace orlisk;

namespace {

// A camera-like picture: smooth gradients with some detail, so the JPEG is of a typical size.
QByteArray FullHdJpeg() {
    QImage image(1920, 1080, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, 1080);
    sky.setColorAt(0, QColor(80, 130, 210));
    sky.setColorAt(1, QColor(220, 230, 240));
    painter.fillRect(image.rect(), sky);
    for (int i = 0; i < 200; ++i)
        painter.fillRect((i * 97) % 1920, 600 + (i * 31) % 480, 40, 60,
                         QColor((i * 53) % 256, (i * 91) % 256, (i * 17) % 256));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 85);
    return bytes;
}

struct Viewer {
    Viewer() {
        QDir::setCurrent(dir.path());
        server.SetPicture(QStringLiteral("/cam.jpg"), jpeg);
        QFile cams(QStringLiteral("Cams.inf"));
        cams.open(QIODevice::WriteOnly);
        cams.write("Cam\r\n" + server.Url(QStringLiteral("/cam.jpg")).toUtf8() + "\r\n");
        cams.close();
        form1.FormLoad();
    }

    QByteArray jpeg = FullHdJpeg();
    QTemporaryDir dir;
    test::HttpServer server;
    HttpInet inet;
    QtPictureLoader pictures;
    test::FakeScreen screen;
    test::ScriptedMessageBoxes boxes;
    SystemClock clock;
    SystemRandom random;
    Platform platform{&inet, &pictures, &screen, &boxes, &clock, &random, [] {}};
    CamListStore store;
    Form2 form2{screen};
    Form3 form3{screen};
    Form1 form1{platform, form2, form3, store};
};

void BM_RefreshFullHdJpeg(benchmark::State& state) {
    Viewer viewer;
    for (auto _ : state)
        viewer.form1.Timer1Timer();
    if (viewer.form1.Label2->isVisible())
        state.SkipWithError("the refresh failed");
    state.SetLabel(std::to_string(viewer.jpeg.size() / 1024) + " KiB JPEG");
}
BENCHMARK(BM_RefreshFullHdJpeg)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_DecodeFullHdJpeg(benchmark::State& state) {
    const QByteArray jpeg = FullHdJpeg();
    QtPictureLoader loader;
    for (auto _ : state) {
        QImage image;
        Failure failure;
        benchmark::DoNotOptimize(loader.LoadPicture(jpeg, image, failure));
    }
}
BENCHMARK(BM_DecodeFullHdJpeg)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    test::App();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
