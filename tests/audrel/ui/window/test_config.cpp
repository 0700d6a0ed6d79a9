#include <QTimer>

#include "MultiLang.h"
#include "WindowFixture.h"
#include "uConfig.h"

namespace {

// Settings that count how often they are read.
class CountingSettings : public MemorySettings {
public:
    std::optional<QString> ReadString(const QString& name) const override {
        ++Reads;
        return MemorySettings::ReadString(name);
    }
    mutable int Reads = 0;
};

class ConfigTest : public WindowTest {
protected:
    void TearDown() override {
        config.reset();
        // Later tests start from the original language.
        Localizer.LoadLanguage(QString());
        WindowTest::TearDown();
    }

    void WriteLanguage(const QString& fileName, const QByteArray& text) {
        QFile file(langDir.filePath(fileName));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    void WriteGerman() {
        WriteLanguage(QStringLiteral("Deutsch.LNG"),
                      "&Start=&Los\r\nDisk or Folder=Laufwerk oder Ordner\r\n"
                      "Localization=Sprache\r\nTranslate=Übersetzen\r\n");
    }

    TConfigForm& Create(SettingsStore& store) {
        config = std::make_unique<TConfigForm>(store, dialogs, QStringList{langDir.path()});
        return *config;
    }

    QStringList Choices() const {
        QStringList items;
        for (int i = 0; i < config->cbLocalization->count(); ++i)
            items.append(config->cbLocalization->itemText(i));
        return items;
    }

    void Choose(const QString& text) {
        config->cbLocalization->setEditText(text);
        QTest::mouseClick(config->bTranslate, Qt::LeftButton);
    }

    QTemporaryDir langDir;
    std::unique_ptr<TConfigForm> config;
};

TEST_F(ConfigTest, TheDialogHasItsNamesTextsAndFixedSize) {
    TConfigForm& c = Create(settings);
    EXPECT_EQ(c.objectName(), QStringLiteral("ConfigForm"));
    EXPECT_EQ(c.windowTitle(), QStringLiteral("Configuration"));
    EXPECT_EQ(c.size(), QSize(246, 148));
    EXPECT_EQ(c.minimumSize(), c.maximumSize());
    EXPECT_EQ(c.lLocalization->text(), QStringLiteral("Localization"));
    EXPECT_TRUE(c.cbLocalization->isEditable());
    EXPECT_EQ(c.bTranslate->text(), QStringLiteral("Translate"));
    EXPECT_EQ(c.bOk->text(), QStringLiteral("OK"));
    for (const char* name : {"lLocalization", "cbLocalization", "bTranslate", "bOk"})
        EXPECT_NE(c.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
}

TEST_F(ConfigTest, LanguageFilesAreOfferedByNameAfterTheDefault) {
    WriteLanguage(QStringLiteral("russian.lng"), "");
    WriteLanguage(QStringLiteral("Deutsch.LNG"), "");
    WriteLanguage(QStringLiteral("notes.txt"), "");
    WriteLanguage(QStringLiteral(".lng"), "");
    TConfigForm& c = Create(settings);
    EXPECT_EQ(Choices(), (QStringList{QStringLiteral("< Default >"), QStringLiteral("Deutsch"),
                                      QStringLiteral("Russian")}));
    EXPECT_EQ(c.LanguagePath(QStringLiteral("RUSSIAN")),
              langDir.filePath(QStringLiteral("russian.lng")));
    EXPECT_EQ(c.LanguagePath(QStringLiteral("< Default >")), QString());

    // Showing the dialog offers files added since.
    WriteLanguage(QStringLiteral("english.lng"), "");
    c.show();
    EXPECT_EQ(Choices().size(), 4);
    EXPECT_EQ(Choices()[1], QStringLiteral("Deutsch"));
    EXPECT_EQ(Choices()[2], QStringLiteral("English"));
    c.hide();

    EXPECT_EQ(TConfigForm::DisplayName(QStringLiteral("my.lng.lng")), QStringLiteral("My"));
    EXPECT_EQ(TConfigForm::DisplayName(QStringLiteral("FRANÇAIS.Lng")), QStringLiteral("FRANÇAIS"));
}

TEST_F(ConfigTest, WithoutLanguageFilesStartUpReadsNoSettingAndTranslateCollectsFirst) {
    CountingSettings store;
    store.Values[QStringLiteral("LangName")] = QStringLiteral("Deutsch");
    // A window of its own, so only this dialog can have collected its texts.
    QWidget probe;
    probe.setObjectName(QStringLiteral("ProbeForm"));
    auto* label = new QLabel(QStringLiteral("Translate"), &probe);
    label->setObjectName(QStringLiteral("lProbe"));

    TConfigForm& c = Create(store);
    EXPECT_EQ(store.Reads, 0);
    EXPECT_FALSE(c.Collected);
    EXPECT_EQ(Choices(), QStringList{QStringLiteral("< Default >")});
    EXPECT_EQ(c.bTranslate->text(), QStringLiteral("Translate"));

    WriteGerman();
    c.show();
    Choose(QStringLiteral("deutsch"));
    EXPECT_TRUE(c.Collected);
    EXPECT_EQ(label->text(), QStringLiteral("Übersetzen"));
    EXPECT_EQ(c.bTranslate->text(), QStringLiteral("Übersetzen"));
    EXPECT_EQ(store.Value(QStringLiteral("LangName")), QStringLiteral("deutsch"));

    Choose(QStringLiteral("< Default >"));
    EXPECT_EQ(label->text(), QStringLiteral("Translate"));
    EXPECT_EQ(c.lLocalization->text(), QStringLiteral("Localization"));
    EXPECT_EQ(store.Value(QStringLiteral("LangName")), QStringLiteral("< Default >"));
}

TEST_F(ConfigTest, AStoredLanguageTranslatesEveryWindowAtStartUp) {
    WriteGerman();
    settings.Values[QStringLiteral("LangName")] = QStringLiteral("Deutsch");
    TAudrelForm& f = Start();
    TConfigForm& c = Create(settings);
    EXPECT_TRUE(c.Collected);
    EXPECT_EQ(f.bStart->text(), QStringLiteral("&Los"));
    EXPECT_EQ(f.lPlace->text(), QStringLiteral("Laufwerk oder Ordner"));
    EXPECT_EQ(c.lLocalization->text(), QStringLiteral("Sprache"));
    EXPECT_EQ(c.windowTitle(), QStringLiteral("Configuration"));

    // Back to the original texts, remembered for the next start.
    Choose(QStringLiteral("< Default >"));
    EXPECT_EQ(f.bStart->text(), QStringLiteral("&Start"));
    EXPECT_EQ(f.lPlace->text(), QStringLiteral("Disk or Folder"));
    EXPECT_EQ(c.lLocalization->text(), QStringLiteral("Localization"));
    EXPECT_EQ(settings.Value(QStringLiteral("LangName")), QStringLiteral("< Default >"));
}

TEST_F(ConfigTest, AStoredLanguageWhoseFileIsGoneStartsInTheOriginalLanguage) {
    WriteLanguage(QStringLiteral("Russian.lng"), "&Start=&Pusk\r\n");
    settings.Values[QStringLiteral("LangName")] = QStringLiteral("Deutsch");
    TAudrelForm& f = Start();
    Create(settings);
    EXPECT_EQ(f.bStart->text(), QStringLiteral("&Start"));
    EXPECT_TRUE(Localizer.Translations().isEmpty());
}

TEST_F(ConfigTest, TheFirstStartTakesTheLanguageOfTheLocaleUntilOneIsChosen) {
    WriteGerman();
    WriteLanguage(QStringLiteral("Russian.lng"), "&Start=&Pusk\r\n");
    const struct {
        const char* locale;
        const char* stored; // nullptr: nothing stored yet
        const char* start;
    } cases[] = {
        {"ru_RU", nullptr, "&Pusk"},
        {"de_AT", nullptr, "&Los"},
        {"fr_FR", nullptr, "&Start"},
        {"ru_RU", "< Default >", "&Start"},
    };
    TAudrelForm& f = Start();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        QLocale::setDefault(QLocale(QString::fromLatin1(c.locale)));
        MemorySettings store;
        if (c.stored)
            store.Values[QStringLiteral("LangName")] = QString::fromLatin1(c.stored);
        Create(store);
        EXPECT_EQ(f.bStart->text(), QString::fromUtf8(c.start));
        // Nothing is stored before the user presses "Translate".
        EXPECT_EQ(store.Value(QStringLiteral("LangName")),
                  c.stored ? QString::fromLatin1(c.stored) : QStringLiteral("<none>"));
        config.reset();
        Localizer.LoadLanguage(QString());
    }
    QLocale::setDefault(QLocale::c());
}

TEST_F(ConfigTest, OkWithoutTranslateChangesNothing) {
    WriteGerman();
    TAudrelForm& f = Start();
    f.SetConfigForm(&Create(settings));
    const int writes = settings.Writes;

    // "Configure" shows the dialog modally; the user picks a language and presses OK.
    bool shown = false;
    QTimer::singleShot(0, [&] {
        shown = config->isVisible() && config->isModal();
        config->cbLocalization->setEditText(QStringLiteral("Deutsch"));
        QTest::mouseClick(config->bOk, Qt::LeftButton);
    });
    ASSERT_TRUE(f.tbConfig->isEnabled());
    QTest::mouseClick(f.tbConfig, Qt::LeftButton);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(config->isVisible());
    EXPECT_EQ(f.bStart->text(), QStringLiteral("&Start"));
    EXPECT_EQ(settings.Writes, writes);
    EXPECT_EQ(settings.Value(QStringLiteral("LangName")), QStringLiteral("<none>"));
    EXPECT_FALSE(f.tbPlay->isEnabled());
}

TEST_F(ConfigTest, AFailedWriteOfTheChoiceIsReported) {
    WriteGerman();
    TAudrelForm& f = Start();
    Create(settings);
    settings.FailWrites = true;
    Choose(QStringLiteral("Deutsch"));
    EXPECT_EQ(f.bStart->text(), QStringLiteral("&Los"));
    ASSERT_EQ(dialogs.Errors.size(), 1u);
    EXPECT_TRUE(dialogs.Errors[0].startsWith(QStringLiteral("Failed to create key")));
    settings.FailWrites = false;
}

} // namespace
