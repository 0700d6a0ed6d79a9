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

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
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
