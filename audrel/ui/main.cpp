#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QIcon>

#include "CodePage.h"
#include "Desktop.h"
#include "Dialogs.h"
#include "MultiLang.h"
#include "SettingsStore.h"
#include "uConfig.h"
#include "uMain.h"
#include "uTAGEdit.h"

namespace {

// --help and --version answer before Qt starts, so they need no display. Anything else is
// left to Qt (-platform, -style...); the program itself reads no command line.
bool AnsweredCommandLine(int argc, char* argv[]) {
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("usage: audrel [--help | --version]\n\n"
                        "Finds MP3 files by their tags and edits their ID3v1 and ID3v2 tags.\n"
                        "Without options it starts its window.\n\n"
                        "Options:\n"
                        "  -h, --help   show this help and exit\n"
                        "  --version    show the version and exit\n");
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("audrel %s\n", PROJECT_VERSION_TEXT);
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    if (AnsweredCommandLine(argc, argv))
        return 0;
    // The code page is chosen from the environment before Qt sets up the process locale, as
    // findmp3 does, so the window and the tools always agree on it.
    CodePage::System();
    // The genre list is a constant table and the global Localizer a static object, so both
    // exist before any window does.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Audrel"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.brakmo.Audrel"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/audrel/icon.png")));
    // Qt's own dialogs in the system's language until a language file is applied.
    Localizer.FollowSystemLocale();

    QtSettingsStore settings;
    QtDialogs dialogs;
    QtDesktop desktop;

    // The three windows live for the whole run, created in this order: the main window,
    // then the tag editor (MP3TagEdit), then the configuration dialog (ConfigForm), whose
    // creation collects the original texts of all three and applies the stored language.
    TAudrelForm AudrelForm(settings, dialogs, desktop);
    TMP3TagEdit MP3TagEdit(dialogs, &AudrelForm);
    AudrelForm.SetTagEditor(&MP3TagEdit);
    TConfigForm ConfigForm(settings, dialogs);
    AudrelForm.SetConfigForm(&ConfigForm);

    AudrelForm.show();
    return QApplication::exec();
}
