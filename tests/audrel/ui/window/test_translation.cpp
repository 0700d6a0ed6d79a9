#include <QTemporaryDir>

#include "MultiLang.h"
#include "WindowFixture.h"

namespace {

TEST_F(WindowTest, ALanguageFileTranslatesTheWindowAndTheDefaultRestoresIt) {
    TAudrelForm& f = Start();
    QTemporaryDir dir;
    const QString german = dir.filePath(QStringLiteral("Deutsch.lng"));
    QFile file(german);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("&start=&Los\r\n&Stop=&Halt\r\nDisk or Folder=Laufwerk oder Ordner\r\n"
               "Time=Zeit\r\nFile Name=Dateiname\r\nPlay=Abspielen\r\nTAG Editor=Tag-Editor\r\n"
               "Brakmo =Audrel==Falsch\r\n"
               "Укажите место для поиска:=Wo suchen?\r\n");
    file.close();

    Localizer.CollectAll();
    Localizer.LoadLanguage(german);
    Localizer.ApplyAll();
    EXPECT_EQ(f.bStart->text(), QStringLiteral("&Los"));
    EXPECT_EQ(f.lPlace->text(), QStringLiteral("Laufwerk oder Ordner"));
    EXPECT_EQ(f.ListModel()->headerData(8, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Zeit"));
    EXPECT_EQ(f.tbPlay->toolTip(), QStringLiteral("Abspielen"));
    EXPECT_EQ(f.MPlay->text(), QStringLiteral("Abspielen"));
    EXPECT_EQ(f.MTagEdit->text(), QStringLiteral("Tag-Editor"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Brakmo =Audrel="));
    EXPECT_EQ(f.cbFileMask->currentText(), QStringLiteral("*.mp3"));

    // Captions set in code follow the language too, and so does the folder prompt.
    Search(SamplesFolder());
    EXPECT_EQ(f.bStart->text(), QStringLiteral("&Los"));
    dialogs.Folders = {QString()};
    QTest::mouseClick(f.bBrowse, Qt::LeftButton);
    ASSERT_EQ(dialogs.FolderCaptions.size(), 1u);
    EXPECT_EQ(dialogs.FolderCaptions[0], QStringLiteral("Wo suchen?"));

    Localizer.LoadLanguage(QString());
    EXPECT_EQ(f.bStart->text(), QStringLiteral("&Start"));
    EXPECT_EQ(f.lPlace->text(), QStringLiteral("Disk or Folder"));
    EXPECT_EQ(f.ListModel()->headerData(8, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Time"));
    EXPECT_EQ(f.MPlay->text(), QStringLiteral("Play"));
}

TEST_F(WindowTest, TheShippedLanguageFilesCoverTheMainWindow) {
    TAudrelForm& f = Start();
    const char* fixtures = std::getenv("TEST_FIXTURES");
    const QString lang = QDir::cleanPath(QString::fromLocal8Bit(fixtures ? fixtures : ".") +
                                         QStringLiteral("/../../audrel/lang"));
    Localizer.CollectAll();
    const QStringList originals = Localizer.DesignTexts();
    const QStringList files = QDir(lang).entryList({QStringLiteral("*.lng")}, QDir::Files);
    ASSERT_GE(files.size(), 2);
    for (const QString& name : files) {
        Localizer.LoadLanguage(lang + u'/' + name);
        ASSERT_EQ(Localizer.LanguageFile(), lang + u'/' + name);
        // Every original text of the main window has a line (the English file maps most to
        // themselves).
        for (const QString& line : originals) {
            if (!line.startsWith(QStringLiteral("AudrelForm")))
                continue;
            const QString text = line.section(u'=', 1);
            if (text.isEmpty())
                continue;
            bool found = false;
            for (const QString& entry : Localizer.Translations())
                found = found || entry.section(u'=', 0, 0).compare(text, Qt::CaseInsensitive) == 0;
            EXPECT_TRUE(found) << name.toStdString() << ": " << text.toStdString();
        }
        Localizer.ApplyAll();
        EXPECT_FALSE(f.bStart->text().isEmpty());
    }
    Localizer.LoadLanguage(QString());
    EXPECT_EQ(f.bStart->text(), QStringLiteral("&Start"));
}

} // namespace
