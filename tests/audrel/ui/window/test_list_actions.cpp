#include <QAction>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QMenu>
#include <QToolBar>

#include "ListActions.h"
#include "WindowFixture.h"
#include "support/TempDir.h"

namespace {

// Points an environment variable somewhere else for one test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

class ListActionsTest : public WindowTest {
protected:
    // Selects the rows whose file names are given, in any order.
    void Select(const QStringList& names) {
        QItemSelectionModel* selection = form->ListView->selectionModel();
        selection->clearSelection();
        for (const QString& name : names) {
            const int row = int(Column(0).indexOf(name));
            ASSERT_GE(row, 0) << name.toStdString();
            selection->select(form->ListModel()->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    QString PathOf(const QString& name) const {
        const int row = int(Column(0).indexOf(name));
        return Column(1)[row] + Column(0)[row];
    }
    static QByteArray Read(const QString& name) {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }
    static int Entries(const QByteArray& playlist) { return int(playlist.count("#EXTINF:")); }

    testsupport::TempDir scratch;
};

TEST_F(ListActionsTest, CommandsKeepTheirOrderAndAreEnabledAsSoonAsTheyCanAct) {
    TAudrelForm& f = Start();
    QStringList tools;
    for (QAction* action : f.ToolBar->actions()) {
        QWidget* widget = f.ToolBar->widgetForAction(action);
        tools << (action->isSeparator() ? QStringLiteral("|") : widget->objectName());
    }
    EXPECT_EQ(tools.join(u' '), QStringLiteral("tbConfig | tbPlay tbPlayWinamp | tbReport "
                                               "tbPlaylist | tbCopy tbDelete | tbTagEdit"));
    QStringList items;
    for (QAction* action : f.ListPopup->actions())
        items << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(items.join(u','), QStringLiteral("Play,Play in WinAmp,-,Report...,WinAmp "
                                               "Playlist...,-,Copy,Delete,-,TAG Editor"));
    EXPECT_EQ(f.ListPopup->defaultAction(), f.MPlay);
    EXPECT_TRUE(f.MPlay->font().bold());
    EXPECT_EQ(f.tbPlaylist->toolTip(), QStringLiteral("Winamp Playlist"));
    EXPECT_EQ(f.tbPlay->icon().cacheKey(), f.MPlay->icon().cacheKey());

    const auto enabled = [&] {
        QString states;
        for (QToolButton* b : {f.tbPlay, f.tbPlayWinamp, f.tbReport, f.tbPlaylist, f.tbCopy,
                               f.tbDelete, f.tbTagEdit})
            states += b->isEnabled() ? u'1' : u'0';
        states += u' ';
        for (QAction* m :
             {f.MPlay, f.MWinAmpPlay, f.MReport, f.MPlayList, f.MCopy, f.MDelete, f.MTagEdit})
            states += m->isEnabled() ? u'1' : u'0';
        return states;
    };
    EXPECT_EQ(enabled(), QStringLiteral("0000000 0000000"));
    Search(SamplesFolder());
    EXPECT_EQ(enabled(), QStringLiteral("0111000 0111000"));
    Select({QStringLiteral("LOUD.MP3")});
    EXPECT_EQ(enabled(), QStringLiteral("1111111 1111111"));
    f.ListView->selectionModel()->clearSelection();
    EXPECT_EQ(enabled(), QStringLiteral("0111000 0111000"));
}

TEST_F(ListActionsTest, OneSelectedRowPlaysAloneWhileThePlaylistCoversEveryRow) {
    TAudrelForm& f = Start();
    const ScopedEnv tmp("TMPDIR", QByteArray::fromStdString(scratch.Path()));
    Search(SamplesFolder());
    f.MWinAmpPlay->trigger(); // nothing selected: every row
    Select({QStringLiteral("take_five.mp3")});
    f.tbPlay->click();
    f.tbPlayWinamp->click(); // one selected: still every row
    const QString playlist = QString::fromStdString(scratch / "Audrel.m3u");
    ASSERT_EQ(desktop.Opened.size(), 3u);
    EXPECT_EQ(desktop.Opened[0], QUrl::fromLocalFile(playlist));
    EXPECT_EQ(desktop.Opened[1], QUrl::fromLocalFile(PathOf(QStringLiteral("take_five.mp3"))));
    EXPECT_EQ(Entries(Read(playlist)), 11);

    // Two selected: play, copy and the files written take just those, in list order.
    Select({QStringLiteral("take_five.mp3"), QStringLiteral("LOUD.MP3")});
    desktop.Opened.clear();
    const QPoint first = f.ListView->visualRect(f.ListModel()->index(0, 0)).center();
    QTest::mousePress(f.ListView->viewport(), Qt::LeftButton, {}, first);
    QTest::mouseDClick(f.ListView->viewport(), Qt::LeftButton, {}, first);
    Select({QStringLiteral("take_five.mp3"), QStringLiteral("LOUD.MP3")});
    f.MPlay->trigger();
    f.MWinAmpPlay->trigger();
    const QByteArray two = Read(playlist);
    EXPECT_EQ(Entries(two), 2);
    EXPECT_LT(two.indexOf(Column(0)[f.Actions().SelectedRows()[0]].toUtf8()),
              two.indexOf(Column(0)[f.Actions().SelectedRows()[1]].toUtf8()));
    f.MCopy->trigger();
    ASSERT_TRUE(desktop.Clipboard);
    QStringList copied;
    for (const QUrl& url : desktop.Clipboard->urls())
        copied << QFileInfo(url.toLocalFile()).fileName();
    EXPECT_EQ(copied.size(), 2);
    EXPECT_TRUE(copied.contains(QStringLiteral("LOUD.MP3")));
    EXPECT_TRUE(desktop.Clipboard->data(QStringLiteral("x-special/gnome-copied-files"))
                    .startsWith("copy\nfile:///"));
    // The double click played the row it landed on, then the menu played both.
    EXPECT_EQ(desktop.Opened.size(), 1u + 2u + 1u);
}

TEST_F(ListActionsTest, TheSaveDialogAsksBeforeReplacingAndCancelWritesNothing) {
    TAudrelForm& f = Start();
    Search(SamplesFolder());
    f.cbFolder->setEditText(QString::fromStdString(scratch.Path()));
    const QString existing = QString::fromStdString(scratch / "old.m3u");
    ASSERT_TRUE(testsupport::WriteFileBytes(scratch / "old.m3u", "keep"));

    f.tbPlaylist->click(); // the dialog is cancelled
    ASSERT_EQ(dialogs.SaveRequests.size(), 1u);
    const SaveRequest& asked = dialogs.SaveRequests[0];
    EXPECT_EQ(asked.Title, QStringLiteral("Create Winamp Playlist"));
    EXPECT_EQ(asked.FileName, QStringLiteral("Untitled"));
    EXPECT_EQ(asked.Folder, QString::fromStdString(scratch.Path()));
    EXPECT_EQ(asked.DefaultExt, QStringLiteral("m3u"));
    EXPECT_EQ(asked.Filter, QStringLiteral("WinAmp Playlist (*.m3u)|*.m3u"));

    // "File exists! Replace?": Cancel shows the dialog again, the next answer is cancelled.
    dialogs.SaveNames = {existing};
    dialogs.Answers = {MsgAnswer::Cancel};
    f.tbPlaylist->click();
    EXPECT_EQ(dialogs.SaveRequests.size(), 3u);
    EXPECT_EQ(dialogs.SaveRequests[2].FileName, existing);
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("File exists! Replace?"));
    EXPECT_EQ(dialogs.Messages[0].Title, QStringLiteral("Info"));
    EXPECT_EQ(dialogs.Messages[0].Buttons, MsgButtons::OkCancel);
    EXPECT_EQ(Read(existing), QByteArray("keep"));

    dialogs.SaveNames = {existing};
    f.MPlayList->trigger(); // OK replaces it
    EXPECT_EQ(Entries(Read(existing)), 11);

    const QString report = QString::fromStdString(scratch / "hits.CSV");
    dialogs.SaveNames = {report};
    f.MReport->trigger();
    const SaveRequest& reportAsked = dialogs.SaveRequests.back();
    EXPECT_EQ(reportAsked.Title, QStringLiteral("Save Report"));
    EXPECT_EQ(reportAsked.DefaultExt, QStringLiteral("txt"));
    EXPECT_EQ(reportAsked.Filter,
              QStringLiteral("Text files (*.txt)|*.txt| CSV files (*.csv)|*.csv"));
    EXPECT_TRUE(Read(report).startsWith("File Name,Artist v1,Title v1,Time,\r\n"));
    EXPECT_EQ(Read(report).count("\r\n"), 12);
}

TEST_F(ListActionsTest, AFileThatCannotBeCreatedIsReportedAndNothingIsLeft) {
    TAudrelForm& f = Start();
    Search(SamplesFolder());
    const QString target = QString::fromStdString(scratch / "gone/list.txt");
    dialogs.SaveNames = {target};
    f.tbReport->click();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("Cannot create file ") + target);
    EXPECT_EQ(dialogs.Messages[0].Title, QStringLiteral("Error"));
    EXPECT_FALSE(QFileInfo::exists(target));
}

TEST_F(ListActionsTest, DeleteMovesEachConfirmedFileToTheTrashAndNamesTheOnesItCannot) {
    const std::string music = scratch / "music";
    std::filesystem::create_directories(music);
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        std::filesystem::copy_file(SamplesFolder().toStdString() + "Jazz/take_five.mp3",
                                   music + "/" + name);
    // The trash's home does not exist yet: it must be made, not the current folder used.
    const ScopedEnv home("HOME", QByteArray::fromStdString(scratch.Path()));
    const std::string data = scratch / "data";
    const ScopedEnv xdg("XDG_DATA_HOME", QByteArray::fromStdString(data));

    TAudrelForm& f = Start();
    Search(QString::fromStdString(music));
    ASSERT_EQ(f.ResultCount(), 3);
    ClickHeader(0); // a, b, c
    Select({QStringLiteral("a.mp3"), QStringLiteral("b.mp3"), QStringLiteral("c.mp3")});
    std::filesystem::remove(music + "/b.mp3");
    dialogs.Answers = {MsgAnswer::Ok, MsgAnswer::Ok, MsgAnswer::Ok, MsgAnswer::Cancel};
    f.tbDelete->click();

    ASSERT_EQ(dialogs.Messages.size(), 4u);
    EXPECT_EQ(dialogs.Messages[0].Text,
              QStringLiteral("Do you want to move \"a.mp3\" to the trash?"));
    EXPECT_EQ(dialogs.Messages[0].Title, QStringLiteral("Confirmation"));
    EXPECT_EQ(dialogs.Messages[2].Title, QStringLiteral("Error"));
    EXPECT_TRUE(
        dialogs.Messages[2].Text.startsWith(QStringLiteral("Cannot move \"%1/b.mp3\" to the trash.")
                                                .arg(QString::fromStdString(music))));
    EXPECT_TRUE(dialogs.Messages[3].Text.contains(QStringLiteral("c.mp3")));

    EXPECT_FALSE(std::filesystem::exists(music + "/a.mp3"));
    EXPECT_TRUE(std::filesystem::exists(data + "/Trash/files/a.mp3"));
    EXPECT_TRUE(std::filesystem::exists(data + "/Trash/info/a.mp3.trashinfo"));
    EXPECT_TRUE(std::filesystem::exists(music + "/c.mp3")); // not confirmed
    EXPECT_EQ(f.ListModel()->rowCount(), 3);
}

TEST_F(ListActionsTest, TheLogoOpensTheHomePageTheMetainfoNames) {
    TAudrelForm& f = Start();
    emit f.Image1->clicked(); // the logo's picture is a resource of the program only
    ASSERT_EQ(desktop.Opened.size(), 1u);
    EXPECT_EQ(desktop.Opened[0], QUrl(QString::fromLatin1(HomePage)));
    const QByteArray metainfo = Read(QString::fromLocal8Bit(std::getenv("TEST_FIXTURES")) +
                                     QStringLiteral("/../../audrel/ui/desktop/"
                                                    "org.brakmo.Audrel.metainfo.xml"));
    EXPECT_TRUE(metainfo.contains(QByteArray("<url type=\"homepage\">") + HomePage + "</url>"));
}

} // namespace
