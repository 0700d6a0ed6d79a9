#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeView>

#include <memory>

#include <gtest/gtest.h>

#include "MultiLang.h"
#include "ResultModel.h"
#include "UiFakes.h"

namespace {

// A window with one control of each kind the translator meets.
struct SampleWindow {
    SampleWindow() {
        window = std::make_unique<QWidget>();
        window->setObjectName(QStringLiteral("SampleForm"));
        window->setWindowTitle(QStringLiteral("Window Title"));
        label = make<QLabel>(QStringLiteral("lPlace"));
        label->setText(QStringLiteral("Disk or Folder"));
        start = make<QPushButton>(QStringLiteral("bStart"));
        start->setText(QStringLiteral("&Start"));
        start->setToolTip(QStringLiteral("Start the search"));
        empty = make<QPushButton>(QStringLiteral("bEmpty"));
        empty->setToolTip(QStringLiteral("Nothing shown"));
        group = make<QGroupBox>(QStringLiteral("gbGroup"));
        group->setTitle(QStringLiteral("Group"));
        check = new QCheckBox(QStringLiteral("Title"), group); // nested inside the group box
        check->setObjectName(QStringLiteral("CheckTitle"));
        edit = make<QLineEdit>(QStringLiteral("eText"));
        edit->setText(QStringLiteral("&Start"));
        tool = make<QToolButton>(QStringLiteral("tbPlay"));
        tool->setToolTip(QStringLiteral("Play"));
        list = make<QTreeView>(QStringLiteral("ListView"));
        model = new TResultModel(list);
        list->setModel(model);
        model->setHeaderData(0, Qt::Horizontal, QStringLiteral("File Name"));
        model->setHeaderData(8, Qt::Horizontal, QStringLiteral("Time"));
        menu = new QMenu(window.get());
        menu->setObjectName(QStringLiteral("ListPopup"));
        play = menu->addAction(QStringLiteral("Play"));
        play->setObjectName(QStringLiteral("MPlay"));
        menu->addSeparator();
        report = menu->addAction(QStringLiteral("Report..."));
        report->setObjectName(QStringLiteral("MReport"));
    }

    template <typename T> T* make(const QString& name) {
        auto* w = new T(window.get());
        w->setObjectName(name);
        return w;
    }

    QString Column(int c) const {
        return model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    }

    std::unique_ptr<QWidget> window;
    QLabel* label;
    QPushButton* start;
    QPushButton* empty;
    QGroupBox* group;
    QCheckBox* check;
    QLineEdit* edit;
    QToolButton* tool;
    QTreeView* list;
    TResultModel* model;
    QMenu* menu;
    QAction* play;
    QAction* report;
};

class MultiLangTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        ASSERT_TRUE(dir.isValid());
    }

    QString WriteLanguage(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    QTemporaryDir dir;
};

const QByteArray German = "&start=&Los\r\n"     // key case does not matter
                          "&Start=&Ignored\r\n" // the first line wins
                          "Disk or Folder=Laufwerk oder Ordner\r\n"
                          "Start the search=Suche starten\r\n"
                          "Nothing shown=Nichts\r\n"
                          "Title=Titel\r\n"
                          "Play=Abspielen\r\n"
                          "Report...=Bericht...\r\n"
                          "File Name=Dateiname\r\n"
                          "Time=Zeit\r\n"
                          "Group=Gruppe\r\n"
                          "Window Title=Fenstertitel\r\n"
                          "a=b=c\r\n"
                          "no equals sign here\r\n";

TEST_F(MultiLangTest, ApplyingALanguageAndTheDefaultSwitchesEveryHandledText) {
    SampleWindow s;
    TMultiLang lang;
    lang.Collect(QStringLiteral("SampleForm"), s.window.get());
    EXPECT_EQ(lang.DesignText(QStringLiteral("SampleFormbStart")), QStringLiteral("&Start"));
    EXPECT_EQ(lang.DesignText(QStringLiteral("samplEFORMbstart")), QStringLiteral("&Start"));
    EXPECT_EQ(lang.DesignText(QStringLiteral("SampleFormListViewTime")), QStringLiteral("Time"));

    lang.LoadLanguage(WriteLanguage(QStringLiteral("deutsch.lng"), German));
    lang.Apply(QStringLiteral("SampleForm"), s.window.get());
    EXPECT_EQ(s.start->text(), QStringLiteral("&Los"));
    EXPECT_EQ(s.start->toolTip(), QStringLiteral("Suche starten"));
    EXPECT_EQ(s.label->text(), QStringLiteral("Laufwerk oder Ordner"));
    EXPECT_EQ(s.check->text(), QStringLiteral("Titel"));
    EXPECT_EQ(s.tool->toolTip(), QStringLiteral("Abspielen"));
    EXPECT_EQ(s.play->text(), QStringLiteral("Abspielen"));
    EXPECT_EQ(s.report->text(), QStringLiteral("Bericht..."));
    EXPECT_EQ(s.Column(0), QStringLiteral("Dateiname"));
    EXPECT_EQ(s.Column(8), QStringLiteral("Zeit"));
    // An empty caption stays empty while its hint is translated.
    EXPECT_EQ(s.empty->text(), QString());
    EXPECT_EQ(s.empty->toolTip(), QStringLiteral("Nichts"));
    // Group boxes, edit fields and window titles keep the original language.
    EXPECT_EQ(s.group->title(), QStringLiteral("Group"));
    EXPECT_EQ(s.edit->text(), QStringLiteral("&Start"));
    EXPECT_EQ(s.window->windowTitle(), QStringLiteral("Window Title"));

    lang.LoadLanguage(QString());
    lang.Apply(QStringLiteral("SampleForm"), s.window.get());
    EXPECT_EQ(s.start->text(), QStringLiteral("&Start"));
    EXPECT_EQ(s.start->toolTip(), QStringLiteral("Start the search"));
    EXPECT_EQ(s.check->text(), QStringLiteral("Title"));
    EXPECT_EQ(s.play->text(), QStringLiteral("Play"));
    EXPECT_EQ(s.Column(0), QStringLiteral("File Name"));
    EXPECT_EQ(s.Column(8), QStringLiteral("Time"));
}

TEST_F(MultiLangTest, ColumnsFindTheirOriginalTextAfterAnotherLanguageRenamedThem) {
    SampleWindow s;
    TMultiLang lang;
    lang.Collect(QStringLiteral("SampleForm"), s.window.get());
    const QString german = WriteLanguage(QStringLiteral("de.lng"), German);
    const QString russian =
        WriteLanguage(QStringLiteral("ru.lng"), "File Name=Имя файла\nTime=Время\n");

    lang.LoadLanguage(german);
    lang.Apply(QStringLiteral("SampleForm"), s.window.get());
    EXPECT_EQ(s.Column(8), QStringLiteral("Zeit"));
    lang.LoadLanguage(russian);
    lang.Apply(QStringLiteral("SampleForm"), s.window.get());
    EXPECT_EQ(s.Column(0), QStringLiteral("Имя файла"));
    EXPECT_EQ(s.Column(8), QStringLiteral("Время"));
    lang.LoadLanguage(german);
    lang.Apply(QStringLiteral("SampleForm"), s.window.get());
    EXPECT_EQ(s.Column(0), QStringLiteral("Dateiname"));

    // A second collection (the configuration dialog may collect once more) keeps the
    // original captions, not the translated ones.
    lang.Collect(QStringLiteral("SampleForm"), s.window.get());
    lang.LoadLanguage(QStringLiteral("/no/such/file.lng"));
    lang.Apply(QStringLiteral("SampleForm"), s.window.get());
    EXPECT_EQ(s.Column(0), QStringLiteral("File Name"));
    EXPECT_EQ(s.Column(8), QStringLiteral("Time"));
}

TEST_F(MultiLangTest, TranslateUsesTheFirstLineAndLeavesUnknownTextsAlone) {
    TMultiLang lang;
    lang.LoadLanguage(WriteLanguage(QStringLiteral("x.lng"), German));
    EXPECT_EQ(lang.LanguageFile(), dir.filePath(QStringLiteral("x.lng")));
    EXPECT_EQ(lang.Translate(QStringLiteral("&START")), QStringLiteral("&Los"));
    EXPECT_EQ(lang.Translate(QStringLiteral("a")), QStringLiteral("b=c"));
    EXPECT_EQ(lang.Translate(QStringLiteral("x=y")), QStringLiteral("x=y"));
    EXPECT_EQ(lang.Translate(QStringLiteral("no equals sign here")),
              QStringLiteral("no equals sign here"));
    EXPECT_EQ(lang.Translations().size(), 14);
}

TEST_F(MultiLangTest, FilesInTheAnsiCodePageStillRead) {
    // "Title=Заголовок" in code page 1251 (set by CTest): not valid UTF-8.
    const QByteArray cp1251 = "Title=\xC7\xE0\xE3\xEE\xEB\xEE\xE2\xEE\xEA\r\n";
    const QByteArray utf8Bom = "\xEF\xBB\xBFTitle=Titel\n";
    const QStringList fromAnsi = TMultiLang::DecodeLanguageFile(cp1251);
    EXPECT_EQ(fromAnsi, QStringList{QStringLiteral("Title=Заголовок")});
    EXPECT_EQ(TMultiLang::DecodeLanguageFile(utf8Bom), QStringList{QStringLiteral("Title=Titel")});
    EXPECT_EQ(TMultiLang::DecodeLanguageFile("a=1\nb=2"),
              (QStringList{QStringLiteral("a=1"), QStringLiteral("b=2")}));
}

TEST_F(MultiLangTest, ApplyAllReachesEveryNamedWindowUnderItsOwnName) {
    SampleWindow s;
    TMultiLang lang;
    lang.CollectAll();
    EXPECT_TRUE(lang.DesignTexts().contains(QStringLiteral("SampleFormlPlace=Disk or Folder")));
    EXPECT_TRUE(lang.DesignTexts().contains(QStringLiteral("SampleFormListPopup=")) == false);
    lang.LoadLanguage(WriteLanguage(QStringLiteral("de.lng"), German));
    lang.ApplyAll();
    EXPECT_EQ(s.label->text(), QStringLiteral("Laufwerk oder Ordner"));
    lang.ResetToDefault();
    EXPECT_EQ(s.label->text(), QStringLiteral("Disk or Folder"));
    EXPECT_TRUE(lang.Translations().isEmpty());
}

} // namespace

TEST_F(MultiLangTest, MarkupInALanguageFileIsShownLiterally) {
    SampleWindow s;
    TMultiLang lang;
    lang.Collect(QStringLiteral("SampleForm"), s.window.get());
    lang.LoadLanguage(
        WriteLanguage(QStringLiteral("b.lng"), "Disk or Folder=<b>Laufwerk</b> &amp; Ordner\r\n"));
    lang.Apply(QStringLiteral("SampleForm"), s.window.get());
    EXPECT_EQ(s.label->text(), QStringLiteral("<b>Laufwerk</b> &amp; Ordner"));
    EXPECT_EQ(s.label->textFormat(), Qt::PlainText);
}

TEST_F(MultiLangTest, AFileNamedForALanguageBringsQtsOwnTextsInIt) {
    const struct {
        const char* file;
        QLocale::Language language;
        const char* cancel; // Qt's own button text
    } cases[] = {
        {"Deutsch.lng", QLocale::German, "Abbrechen"},
        {"russian.LNG", QLocale::Russian, "Отмена"},
        {"Klingonisch.lng", QLocale::AnyLanguage, "Cancel"}, // no language: the system's
    };
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const QString file = QString::fromUtf8(c.file);
        EXPECT_EQ(TMultiLang::LanguageOfFile(file), c.language);
        Localizer.LoadLanguage(WriteLanguage(file, "Title=x\r\n"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8(c.cancel));
        // The default goes back to the system's translation (none in the tests' C locale).
        Localizer.LoadLanguage(QString());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancel"));
    }
}
