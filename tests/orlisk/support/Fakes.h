#pragma once

#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "platform/Screen.h"
#include "platform/Shell.h"

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <deque>

class QApplication;

namespace orlisk::test {

// The one application object of a test program (created on first use, never destroyed).
QApplication& App();

// Runs the application's event loop for the given time.
void Wait(int ms);

class FakeScreen final : public Screen {
public:
    QSize size{1024, 768};
    int bitsPerPixel = 32;
    double dpi = 96;
    QSize SizePixels() const override { return size; }
    int BitsPerPixel() const override { return bitsPerPixel; }
    double LogicalDpi() const override { return dpi; }
};

// Answers message boxes from a script and records what was asked.
class ScriptedMessageBoxes final : public MessageBoxes {
public:
    struct Call {
        QString text;
        QString title;
        Icon icon;
        Buttons buttons;
        Answer defaultButton;
    };
    QList<Call> calls;
    std::deque<Answer> answers; // when empty, the default button is taken

    Answer Show(QWidget* parent, const QString& text, const QString& title, Icon icon,
                Buttons buttons, Answer defaultButton) override;
};

// Records the addresses handed to the system instead of opening them.
class RecordingShell final : public Shell {
public:
    QStringList opened;
    void Open(QWidget*, const QString& address) override { opened.append(address); }
};

// A clock that stands still unless a test moves it; each reading can advance it by a step.
class FakeClock final : public Clock {
public:
    QTime now{12, 0, 0};
    int stepMs = 0;
    QTime Now() const override;

private:
    mutable int m_reads = 0;
};

// Random numbers from a script, repeated from its start when it runs out.
class FakeRandom final : public Random {
public:
    std::deque<double> values{0.0};
    int randomizeCount = 0;
    void Randomize() override { ++randomizeCount; }
    double Rnd() override;

private:
    std::size_t m_next = 0;
};

// Picture bytes made at test time.
QByteArray Jpeg(int width, int height, bool noisy = false, int quality = 90);
QByteArray Png(int width, int height);

} // namespace orlisk::test
