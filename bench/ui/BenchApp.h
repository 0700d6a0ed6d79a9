#pragma once

#include <QApplication>
#include <QMimeData>

#include <benchmark/benchmark.h>

#include "Desktop.h"
#include "Dialogs.h"
#include "SettingsStore.h"
#include "uMain.h"

// Settings that start empty and forget what is written: every window is a first start.
class NullSettings : public SettingsStore {
public:
    std::optional<QString> ReadString(const QString&) const override { return std::nullopt; }
    void WriteString(const QString&, const QString&) override {}
    void Flush() override {}
};

class SilentDialogs : public Dialogs {
public:
    MsgAnswer MessageBox(QWidget*, const QString&, const QString&, MsgIcon, MsgButtons) override {
        return MsgAnswer::Ok;
    }
    void ShowException(QWidget*, const QString&) override {}
    QString SelectFolder(QWidget*, const QString&) override { return QString(); }
    QString SaveFileName(QWidget*, const SaveRequest&) override { return QString(); }
};

class QuietDesktop : public Desktop {
public:
    void Flash(QWidget*, int) override {}
    bool OpenUrl(const QUrl&) override { return false; }
    void SetClipboard(QMimeData* data) override { delete data; }
    bool MoveToTrash(const QByteArray&, QString&) override { return false; }
};

// A shown main window that starts as on a first start.
struct Window {
    NullSettings settings;
    SilentDialogs dialogs;
    QuietDesktop desktop;
    TAudrelForm form{settings, dialogs, desktop};
    Window() {
        form.show();
        QApplication::processEvents();
    }
};

// main() for a benchmark that needs an application object (offscreen unless told otherwise).
#define AUDREL_BENCHMARK_MAIN()                                                                    \
    int main(int argc, char** argv) {                                                              \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                        \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                               \
        int qtArgc = 1;                                                                            \
        QApplication app(qtArgc, argv);                                                            \
        benchmark::Initialize(&argc, argv);                                                        \
        benchmark::RunSpecifiedBenchmarks();                                                       \
        benchmark::Shutdown();                                                                     \
        return 0;                                                                                  \
    }
