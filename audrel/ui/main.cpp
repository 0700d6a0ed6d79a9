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

int main(int argc, char* argv[]) {
    // The code page is chosen from the environment before Qt sets up the process locale, as
    // findmp3 does, so the window and the tools always agree on it.
    CodePage::System();
    // The genre list is a constant table and the global Localizer a static object, so both
    // exist before any window does.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Audrel"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.brakmo.Audrel"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/audrel/icon.png")));

    QtSettingsStore settings;
    QtDialogs dialogs;
    QtDesktop desktop;

    // The three windows live for the whole run, created in this order: the main window,
    // then the tag editor (MP3TagEdit), then the configuration dialog (ConfigForm), whose
    // creation collects the design texts of all three and applies the stored language.
    TAudrelForm AudrelForm(settings, dialogs, desktop);
    TMP3TagEdit MP3TagEdit(dialogs, &AudrelForm);
    AudrelForm.SetTagEditor(&MP3TagEdit);
    TConfigForm ConfigForm(settings, dialogs);
    AudrelForm.SetConfigForm(&ConfigForm);

    AudrelForm.show();
    return QApplication::exec();
}
