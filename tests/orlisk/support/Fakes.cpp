#include "support/Fakes.h"

#include <QApplication>
#include <QBuffer>
#include <QDeadlineTimer>
#include <QImage>
#include <QRandomGenerator>

namespace orlisk::test {

QApplication& App() {
    static int argc = 1;
    static char name[] = "orlisk-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

void Wait(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

MessageBoxes::Answer ScriptedMessageBoxes::Show(QWidget*, const QString& text, const QString& title,
                                                Icon icon, Buttons buttons, Answer defaultButton) {
    calls.append(Call{text, title, icon, buttons, defaultButton});
    if (answers.empty())
        return defaultButton;
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
}

QTime FakeClock::Now() const {
    return now.addMSecs(stepMs * m_reads++);
}

double FakeRandom::Rnd() {
    const double value = values[m_next % values.size()];
    ++m_next;
    return value;
}

QByteArray Jpeg(int width, int height, bool noisy, int quality) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(40, 90, 160));
    if (noisy) {
        QRandomGenerator generator(42);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.setPixel(x, y, generator.generate() | 0xff000000u);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", quality);
    return bytes;
}

QByteArray Png(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace orlisk::test
