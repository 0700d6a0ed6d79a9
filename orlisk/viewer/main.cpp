#include "cameras/CamList.h"
#include "cameras/Form2.h"
#include "cameras/Form3.h"
#include "cameras/Loading.h"
#include "platform/Clock.h"
#include "platform/Inet.h"
#include "platform/MessageBoxes.h"
#include "platform/PictureLoader.h"
#include "platform/Platform.h"
#include "platform/Screen.h"
#include "platform/Shell.h"
#include "viewer/Form1.h"

#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QStandardPaths>

namespace {

enum class Start { Here, InDataFolder, Answered };

// --help and --version answer before Qt starts, so they need no display. Anything else is
// left to Qt (-platform, -style...).
Start ReadCommandLine(int argc, char** argv) {
    Start start = Start::Here;
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("usage: orlisk [--in-data-folder] | orlisk --help | --version\n\n"
                        "Shows the current still image of a webcam. The camera list Cams.inf\n"
                        "is kept in the current folder.\n\n"
                        "Options:\n"
                        "  --in-data-folder   work in $XDG_DATA_HOME/orlisk (made if missing)\n"
                        "                     instead of the current folder\n"
                        "  -h, --help         show this help and exit\n"
                        "  --version          show the version and exit\n");
            return Start::Answered;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("orlisk %s\n", PROJECT_VERSION_TEXT);
            return Start::Answered;
        }
        if (std::strcmp(argv[i], "--in-data-folder") == 0)
            start = Start::InDataFolder;
    }
    return start;
}

// A start from the menu: the camera list and the picture belong in Orlisk's own folder, not
// in the home folder or "/" where a menu starts programs.
bool EnterDataFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/orlisk");
    if (QDir().mkpath(folder) && QDir::setCurrent(folder))
        return true;
    std::fprintf(stderr, "orlisk: cannot work in the data folder '%s'\n", qUtf8Printable(folder));
    return false;
}

} // namespace

int main(int argc, char** argv) {
    const Start start = ReadCommandLine(argc, argv);
    if (start == Start::Answered)
        return 0;
    QApplication app(argc, argv);
    if (start == Start::InDataFolder && !EnterDataFolder())
        return 1;
    QApplication::setApplicationName(QStringLiteral("Orlisk"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.brakmo.Orlisk"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/orlisk/orlisk.png")));

    orlisk::HttpInet inet;
    orlisk::QtPictureLoader pictures;
    orlisk::QtScreen screen;
    orlisk::QtMessageBoxes boxes;
    orlisk::SystemClock clock;
    orlisk::SystemRandom random;
    orlisk::DesktopShell shell;
    orlisk::Platform platform{&inet, &pictures, &screen, &boxes, &clock, &random, [&inet] {
                                  // Every window goes with the program; a running download is
                                  // given up rather than waited for.
                                  inet.Cancel();
                                  QCoreApplication::exit(0);
                              }};
    platform.shell = &shell;
    orlisk::CamListStore store;
    orlisk::Form2 form2(screen);
    orlisk::Form3 form3(screen);
    orlisk::Form1 form1(platform, form2, form3, store);
    // The splash comes first; its countdown loads the main window, which then hides it.
    orlisk::Loading loading(screen);
    form1.SetSplash(&loading);
    loading.SetMainWindow(&form1, [&form1] { form1.FormLoad(); });
    loading.show();
    return QApplication::exec();
}
