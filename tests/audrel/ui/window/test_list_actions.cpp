#include <filesystem>

#include <QAction>
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>

#include "ListActions.h"
#include "WindowFixture.h"
#include "support/TempDir.h"
#include "uTAGEdit.h"

namespace {

class ListActionsTest : public WindowTest {
protected:
    void TearDown() override {
        WindowTest::TearDown();
        for (const auto& [name, value] : savedEnv)
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    void SetEnv(const char* name, const std::string& value) {
        savedEnv.emplace_back(name, qgetenv(name));
        qputenv(name, QByteArray::fromStdString(value));
    }
    void Select(const QStringList& names) {
        form->ListView->selectionModel()->clearSelection();
        for (const QString& name : names)
            form->ListView->selectionModel()->select(
                form->ListModel()->index(int(Column(0).indexOf(name)), 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    static QByteArray Read(const std::string& name) {
        return QByteArray::fromStdString(testsupport::ReadFileBytes(name));
    }

    testsupport::TempDir scratch;
    std::vector<std::pair<const char*, QByteArray>> savedEnv;
};

TEST_F(ListActionsTest, CommandsKeepTheirOrderAndAreEnabledAsSoonAsTheyCanAct) {
    TAudrelForm& f = Start();
    QStringList tools, items;
    for (QAction* action : f.ToolBar->actions())
        tools << (action->isSeparator() ? QStringLiteral("|")
                                        : f.ToolBar->widgetForAction(action)->objectName());
    for (QAction* action : f.ListPopup->actions())
        items << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(tools.join(u' '), QStringLiteral("tbConfig | tbPlay tbPlayWinamp | tbReport "
                                               "tbPlaylist | tbCopy tbDelete | tbTagEdit"));
    EXPECT_EQ(items.join(u','), QStringLiteral("Play,Play in WinAmp,-,Report...,WinAmp "
                                               "Playlist...,-,Copy,Delete,-,TAG Editor"));
    EXPECT_EQ(f.ListPopup->defaultAction(), f.MPlay);

    const auto enabled = [&] {
        QString states;
        for (QObject* command : std::initializer_list<QObject*>{
                 f.tbPlay, f.tbPlayWinamp, f.tbReport, f.tbPlaylist, f.tbCopy, f.tbDelete,
                 f.tbTagEdit, f.MPlay, f.MWinAmpPlay, f.MReport, f.MPlayList, f.MCopy, f.MDelete,
                 f.MTagEdit})
            states += QChar(u'0' + command->property("enabled").toBool());
        return states;
    };
    EXPECT_EQ(enabled(), QStringLiteral("00000000000000"));
    Search(SamplesFolder());
    EXPECT_EQ(enabled(), QStringLiteral("01110000111000"));
    Select({QStringLiteral("LOUD.MP3")});
    EXPECT_EQ(enabled(), QStringLiteral("11111111111111"));
    Search(QStringLiteral("/no/such/folder")); // a new search empties the list
    EXPECT_EQ(enabled(), QStringLiteral("00000000000000"));
}

TEST_F(ListActionsTest, OneSelectedRowIsPlayedAloneWhileThePlaylistCoversEveryRow) {
    SetEnv("TMPDIR", scratch.Path());
    TAudrelForm& f = Start();
    Search(SamplesFolder());
    // A double click selects its row and plays that one.
    const QRect row = f.ListView->visualRect(
        f.ListModel()->index(int(Column(0).indexOf(QStringLiteral("take_five.mp3"))), 0));
    QTest::mousePress(f.ListView->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(f.ListView->viewport(), Qt::LeftButton, {}, row.center());
    f.tbPlayWinamp->click();
    ASSERT_EQ(desktop.Opened.size(), 2u);
    EXPECT_EQ(desktop.Opened[0].toLocalFile(),
              SamplesFolder() + QStringLiteral("Jazz/take_five.mp3"));
    EXPECT_EQ(desktop.Opened[1].toLocalFile(), QString::fromStdString(scratch / "Audrel.m3u"));
    EXPECT_EQ(Read(scratch / "Audrel.m3u").count("#EXTINF:"), 11);

    Select({QStringLiteral("take_five.mp3"), QStringLiteral("LOUD.MP3")});
    f.MWinAmpPlay->trigger();
    EXPECT_EQ(Read(scratch / "Audrel.m3u").count("#EXTINF:"), 2);
    f.MCopy->trigger();
    ASSERT_TRUE(desktop.Clipboard);
    EXPECT_EQ(desktop.Clipboard->urls().size(), 2);
}

TEST_F(ListActionsTest, TheSaveDialogAsksBeforeReplacingAndWritesNothingWhenCancelled) {
    TAudrelForm& f = Start();
    Search(SamplesFolder());
    f.cbFolder->setEditText(QString::fromStdString(scratch.Path()));
    const QString existing = QString::fromStdString(scratch / "old.m3u");
    ASSERT_TRUE(testsupport::WriteFileBytes(scratch / "old.m3u", "keep"));

    // Replace? Cancel: the dialog comes back where the user left it, and is cancelled.
    dialogs.SaveNames = {existing};
    dialogs.Answers = {MsgAnswer::Cancel};
    f.tbPlaylist->click();
    ASSERT_EQ(dialogs.SaveRequests.size(), 2u);
    const SaveRequest& asked = dialogs.SaveRequests[0];
    EXPECT_EQ(
        QStringList({asked.Title, asked.FileName, asked.Folder, asked.DefaultExt, asked.Filter}),
        QStringList({QStringLiteral("Create Winamp Playlist"), QStringLiteral("Untitled"),
                     QString::fromStdString(scratch.Path()), QStringLiteral("m3u"),
                     QStringLiteral("WinAmp Playlist (*.m3u)|*.m3u")}));
    EXPECT_EQ(dialogs.SaveRequests[1].FileName, existing);
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("File exists! Replace?"));
    EXPECT_EQ(dialogs.Messages[0].Title, QStringLiteral("Info"));
    EXPECT_EQ(Read(scratch / "old.m3u"), QByteArray("keep"));

    dialogs.SaveNames = {QString::fromStdString(scratch / "hits.CSV")};
    f.MReport->trigger();
    EXPECT_EQ(dialogs.SaveRequests.back().Title, QStringLiteral("Save Report"));
    EXPECT_EQ(dialogs.SaveRequests.back().Filter,
              QStringLiteral("Text files (*.txt)|*.txt| CSV files (*.csv)|*.csv"));
    EXPECT_TRUE(Read(scratch / "hits.CSV").startsWith("File Name,Artist v1,Title v1,Time,\r\n"));

    const QString unwritable = QString::fromStdString(scratch / "gone/list.txt");
    dialogs.SaveNames = {unwritable};
    f.tbReport->click();
    EXPECT_EQ(dialogs.Messages.back().Text, QStringLiteral("Cannot create file ") + unwritable);
    EXPECT_EQ(dialogs.Messages.back().Title, QStringLiteral("Error"));
}

TEST_F(ListActionsTest, DeleteTrashesEachConfirmedFileAndNamesTheOnesItCannot) {
    const std::string music = scratch / "music";
    std::filesystem::create_directories(music);
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        std::filesystem::copy_file(SamplesFolder().toStdString() + "Jazz/take_five.mp3",
                                   music + "/" + name);
    // The trash's home does not exist yet: it must be made, not the current folder used.
    SetEnv("HOME", scratch.Path());
    SetEnv("XDG_DATA_HOME", scratch / "data");
    TAudrelForm& f = Start();
    Search(QString::fromStdString(music));
    ClickHeader(0);
    Select({QStringLiteral("a.mp3"), QStringLiteral("b.mp3"), QStringLiteral("c.mp3")});
    std::filesystem::remove(music + "/b.mp3");
    dialogs.Answers = {MsgAnswer::Ok, MsgAnswer::Ok, MsgAnswer::Ok, MsgAnswer::Cancel};
    f.tbDelete->click();

    ASSERT_EQ(dialogs.Messages.size(), 4u);
    EXPECT_EQ(dialogs.Messages[0].Text,
              QStringLiteral("Do you want to move \"a.mp3\" to the trash?"));
    EXPECT_TRUE(
        dialogs.Messages[2].Text.startsWith(QStringLiteral("Cannot move \"%1/b.mp3\" to the trash.")
                                                .arg(QString::fromStdString(music))));
    EXPECT_TRUE(std::filesystem::exists(scratch / "data/Trash/files/a.mp3"));
    EXPECT_TRUE(std::filesystem::exists(scratch / "data/Trash/info/a.mp3.trashinfo"));
    EXPECT_FALSE(std::filesystem::exists(music + "/a.mp3"));
    EXPECT_TRUE(std::filesystem::exists(music + "/c.mp3"));
    EXPECT_EQ(f.ListModel()->rowCount(), 3);
}

TEST_F(ListActionsTest, TheTagEditorOpensModalAndCentredOnTheFirstSelectedRow) {
    TAudrelForm& f = Start();
    f.move(100, 20); // room for the editor on each side
    TMP3TagEdit editor(dialogs);
    editor.setParent(&f, editor.windowFlags());
    f.SetTagEditor(&editor);
    Search(SamplesFolder());
    f.MTagEditClick(); // no selection: nothing opens
    EXPECT_EQ(editor.FileName(), "");

    Select({Column(0)[1], Column(0)[0]});
    bool shown = false;
    QTimer::singleShot(0, &editor, [&] {
        const QPoint offset = editor.frameGeometry().center() - f.frameGeometry().center();
        shown = editor.isVisible() && editor.isModal() && offset.manhattanLength() <= 2;
        editor.reject();
    });
    f.MTagEditClick();
    EXPECT_TRUE(shown);
    EXPECT_EQ(editor.FileName(), f.ListModel()->Rows()[0].FullPath());
}

TEST_F(ListActionsTest, TheRowShowsWhatTheTagEditorWrote) {
    const std::string music = scratch / "music";
    std::filesystem::create_directories(music);
    std::filesystem::copy_file(SamplesFolder().toStdString() + "Jazz/take_five.mp3",
                               music + "/a.mp3");
    TAudrelForm& f = Start();
    TMP3TagEdit editor(dialogs);
    f.SetTagEditor(&editor);
    Search(QString::fromStdString(music));
    Select({QStringLiteral("a.mp3")});
    QTimer::singleShot(0, &editor, [&] {
        editor.ChBTag2->setChecked(true);
        editor.eTitle2->setText(QStringLiteral("Кино"));
        editor.bUpdate->click();
    });
    f.MTagEditClick();
    EXPECT_EQ(Column(6), QStringList{QStringLiteral("Кино")});
}

TEST_F(ListActionsTest, TheLogoOpensTheHomePageTheMetainfoNames) {
    TAudrelForm& f = Start();
    emit f.Image1->clicked(); // the logo's picture is a resource of the program only
    ASSERT_EQ(desktop.Opened.size(), 1u);
    EXPECT_EQ(desktop.Opened[0], QUrl(QString::fromLatin1(HomePage)));
    EXPECT_TRUE(Read(std::string(std::getenv("TEST_FIXTURES")) +
                     "/../../audrel/ui/desktop/org.brakmo.Audrel.metainfo.xml")
                    .contains(QByteArray("<url type=\"homepage\">") + HomePage + "</url>"));

    desktop.NoProgram = true;
    emit f.Image1->clicked();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text,
              QStringLiteral("Cannot open \"%1\": no program is set up for it.")
                  .arg(QString::fromLatin1(HomePage)));
}

} // namespace
