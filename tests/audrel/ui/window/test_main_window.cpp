#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QToolButton>

#include "MultiLang.h"
#include "WindowFixture.h"

namespace {

QString Home() {
    return QDir::homePath() + u'/';
}

TEST_F(WindowTest, FirstStartOnACleanStoreShowsEveryControlWithItsDefaults) {
    TAudrelForm& f = Start();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Brakmo =Audrel="));
    EXPECT_EQ(f.objectName(), QStringLiteral("AudrelForm"));
    for (const char* name :
         {"bStart",      "bBrowse",         "cbFolder",   "cbFileMask", "cbFastTag",  "cbTitle",
          "cbArtist",    "cbAlbum",         "cbGenre",    "lPlace",     "lFileMask",  "RadioFast",
          "RadioDetail", "CheckSubFolders", "CheckID3v1", "CheckID3v2", "CheckTitle", "CheckArtist",
          "CheckAlbum",  "CheckGenre",      "ListView",   "StatusBar",  "Image1",     "ImageTop",
          "tbConfig",    "tbTagEdit",       "ListPopup"})
        EXPECT_TRUE(f.findChild<QObject*>(QString::fromLatin1(name))) << name;

    EXPECT_EQ(f.bStart->text(), QStringLiteral("&Start"));
    EXPECT_EQ(f.bBrowse->text(), QStringLiteral("&Browse"));
    EXPECT_EQ(f.lPlace->text(), QStringLiteral("Disk or Folder"));
    EXPECT_EQ(f.cbFolder->currentText(), Home());
    EXPECT_EQ(f.cbFileMask->currentText(), QStringLiteral("*.mp3"));
    EXPECT_FALSE(f.cbFileMask->isEnabled());
    EXPECT_TRUE(f.CheckSubFolders->isChecked());
    EXPECT_TRUE(f.RadioFast->isChecked());
    EXPECT_TRUE(f.cbFastTag->isEnabled());
    for (QComboBox* box : {f.cbTitle, f.cbArtist, f.cbAlbum, f.cbGenre})
        EXPECT_FALSE(box->isEnabled());
    EXPECT_FALSE(f.CheckGenre->isEnabled());
    EXPECT_TRUE(f.CheckID3v1->isChecked());
    EXPECT_FALSE(f.CheckID3v2->isChecked());
    EXPECT_TRUE(f.CheckTitle->isChecked());
    EXPECT_TRUE(f.CheckArtist->isChecked());
    EXPECT_FALSE(f.CheckAlbum->isChecked());
    EXPECT_FALSE(f.CheckGenre->isChecked());

    const QStringList captions = {
        QStringLiteral("File Name"), QStringLiteral("Path"),     QStringLiteral("Artist v1"),
        QStringLiteral("Title v1"),  QStringLiteral("Album v1"), QStringLiteral("Artist v2"),
        QStringLiteral("Title v2"),  QStringLiteral("Album v2"), QStringLiteral("Time")};
    for (int c = 0; c < 9; ++c)
        EXPECT_EQ(f.ListModel()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(),
                  captions[c]);
    EXPECT_EQ(f.ColumnWidth(0), 100);
    EXPECT_EQ(f.ColumnWidth(1), 150);
    EXPECT_EQ(f.ColumnWidth(8), 50);
    // "Artist v1" and "Title v1" are shown, fitted to their captions; the rest hidden.
    const int artistFit = f.ListView->header()->sectionSizeHint(2);
    EXPECT_GT(f.ColumnWidth(2), 20);
    EXPECT_EQ(f.ColumnWidth(2), artistFit);
    EXPECT_GT(f.ColumnWidth(3), 20);
    for (int c : {4, 5, 6, 7})
        EXPECT_EQ(f.ColumnWidth(c), 0) << c;
    EXPECT_FALSE(f.Searching());
}

TEST_F(WindowTest, TagColumnsComeBackWithTheWidthTheyHadWhenHidden) {
    TAudrelForm& f = Start();
    f.SetColumnWidth(3, 123);
    f.CheckTitle->click();
    EXPECT_EQ(f.ColumnWidth(3), 0);
    EXPECT_EQ(settings.Value(QStringLiteral("LColTAAG1_v1")), QStringLiteral("123"));
    f.CheckTitle->click();
    EXPECT_EQ(f.ColumnWidth(3), 123);

    // Unchecking the version box hides every visible v1 column and remembers its width.
    f.SetColumnWidth(2, 77);
    f.CheckID3v1->click();
    EXPECT_EQ(f.ColumnWidth(2), 0);
    EXPECT_EQ(f.ColumnWidth(3), 0);
    EXPECT_EQ(settings.Value(QStringLiteral("LColTAAG0_v1")), QStringLiteral("77"));
    EXPECT_EQ(settings.Value(QStringLiteral("LColTAAG2_v1")), QStringLiteral("<none>"));

    // ID3v2 shows the v2 columns of the checked fields; a stored 0 means "fit the caption".
    settings.Values[QStringLiteral("LColTAAG0_v2")] = QStringLiteral("0");
    f.CheckID3v2->click();
    EXPECT_GT(f.ColumnWidth(5), 0);
    EXPECT_EQ(f.ColumnWidth(5), f.ListView->header()->sectionSizeHint(5));
    EXPECT_GT(f.ColumnWidth(6), 0);
    EXPECT_EQ(f.ColumnWidth(7), 0);
    f.CheckAlbum->click();
    EXPECT_GT(f.ColumnWidth(7), 0);
    EXPECT_EQ(f.ColumnWidth(4), 0); // v1 still off

    f.CheckID3v1->click();
    EXPECT_EQ(f.ColumnWidth(2), 77);
    EXPECT_EQ(f.ColumnWidth(3), 123);
    EXPECT_GT(f.ColumnWidth(4), 0);
}

TEST_F(WindowTest, FastAndDetailSwitchTheCriterionBoxes) {
    TAudrelForm& f = Start();
    f.RadioDetail->click();
    for (QComboBox* box : {f.cbTitle, f.cbArtist, f.cbAlbum, f.cbGenre})
        EXPECT_TRUE(box->isEnabled());
    EXPECT_FALSE(f.cbFastTag->isEnabled());
    const QColor window = QApplication::palette().color(QPalette::Base);
    const QColor grey = QApplication::palette().color(QPalette::Button);
    EXPECT_EQ(f.cbTitle->palette().color(QPalette::Base), window);
    EXPECT_EQ(f.cbGenre->palette().color(QPalette::Base), grey);
    EXPECT_EQ(f.cbFastTag->palette().color(QPalette::Base), grey);
    // The check boxes are not touched.
    EXPECT_TRUE(f.CheckTitle->isChecked());
    EXPECT_FALSE(f.CheckAlbum->isChecked());

    f.RadioFast->click();
    EXPECT_TRUE(f.cbFastTag->isEnabled());
    EXPECT_FALSE(f.cbTitle->isEnabled());
    EXPECT_EQ(f.cbFastTag->palette().color(QPalette::Base), window);
    EXPECT_EQ(f.cbTitle->palette().color(QPalette::Base), grey);
}

TEST_F(WindowTest, BrowseTakesAnExistingFolderAndRefusesAnythingElse) {
    TAudrelForm& f = Start();
    QTemporaryDir dir;
    dialogs.Folders = {dir.path(), dir.path() + QStringLiteral("/gone"), QString(), QString()};

    QTest::mouseClick(f.bBrowse, Qt::LeftButton);
    EXPECT_EQ(f.cbFolder->currentText(), dir.path());
    ASSERT_EQ(dialogs.FolderCaptions.size(), 1u);
    EXPECT_EQ(dialogs.FolderCaptions[0], QStringLiteral("Укажите место для поиска:"));

    QTest::mouseClick(f.bBrowse, Qt::LeftButton);
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("Wrong disk or folder!"));
    EXPECT_EQ(dialogs.Messages[0].Title, QStringLiteral("Error"));
    EXPECT_EQ(dialogs.Messages[0].Icon, MsgIcon::Warning);
    EXPECT_EQ(f.cbFolder->currentText(), dir.path());

    // Cancelled: an existing folder stays, a text that is no folder becomes the home folder.
    QTest::mouseClick(f.bBrowse, Qt::LeftButton);
    EXPECT_EQ(f.cbFolder->currentText(), dir.path());
    f.cbFolder->setEditText(QStringLiteral("/no/such/place"));
    QTest::mouseClick(f.bBrowse, Qt::LeftButton);
    EXPECT_EQ(f.cbFolder->currentText(), Home());
}

TEST_F(WindowTest, AFastSearchWithoutTextListsEveryAudioFileAndSumsUp) {
    TAudrelForm& f = Start();
    Search(SamplesFolder());
    EXPECT_EQ(f.ResultCount(), 11);
    EXPECT_EQ(f.ListModel()->rowCount(), 11);
    // 5 folders below the root; 12 files + 5 folders + ". and .." in each of the 6 folders.
    EXPECT_EQ(f.StatusText(),
              QStringLiteral("Processed folders: 5 files: 30. MP3 result: 11 files."));
    EXPECT_EQ(f.bStart->text(), QStringLiteral("&Start"));
    EXPECT_EQ(desktop.Flashes, 1);
    EXPECT_EQ(desktop.LastFlashMsec, 600);

    const QStringList names = Column(0);
    EXPECT_TRUE(names.contains(QStringLiteral("Für Elise.mp3")));
    EXPECT_TRUE(names.contains(QStringLiteral("LOUD.MP3")));
    EXPECT_FALSE(names.contains(QStringLiteral("readme.mp3")));
    const int i = int(names.indexOf(QStringLiteral("take_five.mp3")));
    ASSERT_GE(i, 0);
    EXPECT_EQ(Column(1)[i], SamplesFolder() + QStringLiteral("Jazz/"));
    EXPECT_EQ(Column(2)[i], QStringLiteral("Dave Brubeck Quartet"));
    EXPECT_EQ(Column(3)[i], QStringLiteral("Take Five"));
    EXPECT_EQ(Column(6)[i], QStringLiteral("Take Five"));
    EXPECT_EQ(Column(8)[i], QStringLiteral(" 0:04"));
}

TEST_F(WindowTest, FastAndDetailSearchesFindTheirCriteria) {
    TAudrelForm& f = Start();
    // The fast search looks at raw tag bytes, in the code page and in UTF-16: "So What.mp3"
    // holds "Kind of Blue" only in UTF-16, the other file in its ID3v1 tag.
    f.cbFastTag->setEditText(QStringLiteral("kind of BLUE"));
    Search(SamplesFolder());
    QStringList hits = Column(0);
    hits.sort();
    EXPECT_EQ(hits,
              (QStringList{QStringLiteral("So What.mp3"), QStringLiteral("blue in green.mp3")}));

    // Detail: exact case, and a typed non-ASCII text meets the tag in the code page.
    f.RadioDetail->click();
    f.cbTitle->setEditText(QStringLiteral("Für"));
    Search(SamplesFolder());
    EXPECT_EQ(Column(0), QStringList{QStringLiteral("Für Elise.mp3")});
    f.cbTitle->setEditText(QStringLiteral("für"));
    Search(SamplesFolder());
    EXPECT_EQ(f.ResultCount(), 0);

    // No criterion at all finds nothing.
    f.cbTitle->setEditText(QString());
    Search(SamplesFolder());
    EXPECT_EQ(f.ResultCount(), 0);
    EXPECT_TRUE(f.StatusText().endsWith(QStringLiteral("MP3 result: 0 files.")));

    // Sub-folders off: only the root, which holds no audio.
    f.RadioFast->click();
    f.CheckSubFolders->click();
    Search(SamplesFolder());
    EXPECT_EQ(f.StatusText(),
              QStringLiteral("Processed folders: 0 files: 7. MP3 result: 0 files."));
}

TEST_F(WindowTest, AFolderThatCannotBeListedGivesAnEmptySummary) {
    TAudrelForm& f = Start();
    Search(QStringLiteral("/no/such/folder"));
    EXPECT_EQ(f.StatusText(),
              QStringLiteral("Processed folders: 0 files: 0. MP3 result: 0 files."));
    EXPECT_TRUE(dialogs.Messages.empty());
}

// A tree of 210 folders. Each folder entered waits for the UI thread, so while the test does
// not serve events the walk stands still: the search is reliably running when the test acts.
class LongWalkTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(tree.isValid());
        AddFolders(20);
    }
    // Makes 10 folders of `perFolder` sub-folders each.
    void AddFolders(int perFolder) {
        for (int a = 0; a < 10; ++a)
            for (int b = 0; b < perFolder; ++b)
                QDir().mkpath(tree.path() + QStringLiteral("/a%1/b%2").arg(a).arg(b));
    }
    QTemporaryDir tree;
};

TEST_F(LongWalkTest, PressingStopEndsTheSearchWithTheNumbersReached) {
    // A pass of the event loop serves the walk for a few milliseconds at most: with 2,010
    // folders it is far from its end when the test first looks.
    AddFolders(200);
    TAudrelForm& f = Start();
    f.cbFolder->setEditText(tree.path());
    QTest::mouseClick(f.bStart, Qt::LeftButton);
    ASSERT_TRUE(f.Searching());
    EXPECT_EQ(f.bStart->text(), QStringLiteral("&Stop"));
    // One pass of the event loop at a time (QTest::qWaitFor's passes run on while the worker
    // keeps handing over calls, and could serve the whole walk before the first look).
    QDeadlineTimer deadline(20000);
    while (!f.StatusText().contains(QStringLiteral("/b")) && !deadline.hasExpired())
        QCoreApplication::processEvents();
    ASSERT_TRUE(f.StatusText().contains(QStringLiteral("/b")));

    QTest::mouseClick(f.bStart, Qt::LeftButton);
    // Stop waits for the worker: the summary is there when the click returns.
    EXPECT_FALSE(f.Searching());
    EXPECT_EQ(f.bStart->text(), QStringLiteral("&Start"));
    ASSERT_TRUE(f.StatusText().startsWith(QStringLiteral("Processed folders: ")));
    const int folders = f.StatusText().section(u' ', 2, 2).toInt();
    EXPECT_GT(folders, 0);
    EXPECT_LT(folders, 10 + 10 * 200);
    EXPECT_EQ(desktop.Flashes, 1);

    // The window works on: a second search runs to its end.
    Search(SamplesFolder());
    EXPECT_EQ(f.ResultCount(), 11);
}

TEST_F(LongWalkTest, ALanguageAppliedDuringASearchKeepsTheButtonAStopButton) {
    TAudrelForm& f = Start();
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("Deutsch.lng")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("&Start=&Los\r\n&Stop=&Halt\r\n");
    file.close();
    Localizer.CollectAll();

    f.cbFolder->setEditText(tree.path());
    QTest::mouseClick(f.bStart, Qt::LeftButton);
    ASSERT_TRUE(f.Searching());
    Localizer.LoadLanguage(file.fileName());
    Localizer.ApplyAll();
    EXPECT_EQ(f.bStart->text(), QStringLiteral("&Halt"));
    QTest::mouseClick(f.bStart, Qt::LeftButton);
    EXPECT_EQ(f.bStart->text(), QStringLiteral("&Los"));
    Localizer.LoadLanguage(QString());
    EXPECT_EQ(f.bStart->text(), QStringLiteral("&Start"));
}

TEST_F(LongWalkTest, ClosingDuringASearchStopsItFirstAndStoresTheSettings) {
    TAudrelForm& f = Start();
    f.cbFolder->setEditText(tree.path());
    QTest::mouseClick(f.bStart, Qt::LeftButton);
    ASSERT_TRUE(f.Searching());
    EXPECT_TRUE(f.close());
    EXPECT_FALSE(f.Searching());
    form.reset(); // the worker must be gone with the window
    EXPECT_EQ(settings.Value(QStringLiteral("Folder")), tree.path());
    EXPECT_EQ(settings.Value(QStringLiteral("FormVersion")), QStringLiteral("0"));
}

TEST_F(LongWalkTest, DestroyingTheWindowDuringASearchIsSafe) {
    TAudrelForm& f = Start();
    f.cbFolder->setEditText(tree.path());
    QTest::mouseClick(f.bStart, Qt::LeftButton);
    ASSERT_TRUE(f.Searching());
    form.reset();
    EXPECT_EQ(settings.Value(QStringLiteral("Visible")), QStringLiteral("1"));
}

TEST_F(WindowTest, EverythingIsAsLeftAfterARestart) {
    TAudrelForm& f = Start();
    f.CheckID3v2->click();
    f.CheckAlbum->click();
    f.CheckArtist->click();
    f.SetColumnWidth(0, 140);
    f.SetColumnWidth(1, 210);
    f.SetColumnWidth(8, 61);
    f.SetColumnWidth(3, 88);
    f.cbFolder->setEditText(SamplesFolder());
    f.setGeometry(50, 60, 520, 600);

    TAudrelForm& g = Restart();
    EXPECT_EQ(settings.Value(QStringLiteral("ID3v2")), QStringLiteral("1"));
    EXPECT_EQ(settings.Value(QStringLiteral("Artist")), QStringLiteral("0"));
    EXPECT_TRUE(g.CheckID3v1->isChecked());
    EXPECT_TRUE(g.CheckID3v2->isChecked());
    EXPECT_TRUE(g.CheckTitle->isChecked());
    EXPECT_TRUE(g.CheckAlbum->isChecked());
    EXPECT_FALSE(g.CheckArtist->isChecked());
    EXPECT_EQ(g.cbFolder->currentText(), SamplesFolder());
    EXPECT_EQ(g.ColumnWidth(0), 140);
    EXPECT_EQ(g.ColumnWidth(1), 210);
    EXPECT_EQ(g.ColumnWidth(8), 61);
    EXPECT_EQ(g.ColumnWidth(2), 0);
    EXPECT_EQ(g.ColumnWidth(3), 88);
    EXPECT_GT(g.ColumnWidth(4), 0);
    EXPECT_EQ(g.ColumnWidth(5), 0);
    EXPECT_GT(g.ColumnWidth(6), 0);
    EXPECT_GT(g.ColumnWidth(7), 0);
    EXPECT_EQ(g.geometry(), QRect(50, 60, 520, 600));
}

TEST_F(WindowTest, ASettingsStoreThatCannotBeWrittenShowsTheErrorBoxAndStillCloses) {
    TAudrelForm& f = Start();
    settings.FailWrites = true;
    EXPECT_TRUE(f.close());
    form.reset(); // the window goes: no second attempt, no second box
    ASSERT_EQ(dialogs.Errors.size(), 1u);
    EXPECT_TRUE(dialogs.Errors[0].startsWith(QStringLiteral("Failed to create key")));
}

TEST_F(WindowTest, HeaderClicksSortPerColumnAndTimeByItsValue) {
    TAudrelForm& f = Start();
    Search(SamplesFolder());
    ASSERT_EQ(f.ResultCount(), 11);

    ClickHeader(8);
    EXPECT_EQ(f.SortColumn, 8);
    QStringList times = Column(8);
    EXPECT_EQ(times.first(), QStringLiteral(" 0:02"));
    EXPECT_EQ(times.last(), QStringLiteral(" 0:12"));
    ClickHeader(8);
    EXPECT_EQ(Column(8).first(), QStringLiteral(" 0:12"));

    // Each column keeps its own direction: the first click on "File Name" sorts ascending.
    ClickHeader(0);
    QStringList names = Column(0);
    EXPECT_EQ(names.first(), QStringLiteral("air_on_g.mp3"));
    EXPECT_EQ(names.last(), QStringLiteral("untagged take.mp3"));
    const int loud = int(names.indexOf(QStringLiteral("LOUD.MP3")));
    EXPECT_EQ(names[loud - 1], QStringLiteral("gymnopedie.mp3")); // case of A-Z ignored
    ClickHeader(0);
    ClickHeader(0);
    EXPECT_EQ(Column(0), names); // three clicks: ascending again

    // A selected row stays selected as the rows move.
    f.ListView->selectionModel()->select(
        f.ListModel()->index(int(names.indexOf(QStringLiteral("LOUD.MP3"))), 0),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ClickHeader(8);
    const QModelIndexList selected = f.ListView->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(TResultModel::DisplayText(f.ListModel()->Row(selected[0].row()), 0),
              QStringLiteral("LOUD.MP3"));
}

} // namespace

TEST_F(WindowTest, EnterInTheFolderOrASearchTextOrAltSStartsTheSearch) {
    TAudrelForm& f = Start();
    f.cbFolder->setEditText(SamplesFolder());
    f.cbTitle->setEditText(QStringLiteral("Für"));
    for (QComboBox* box : {f.cbFolder, f.cbFastTag, f.cbTitle}) {
        (box == f.cbTitle ? f.RadioDetail : f.RadioFast)->click();
        f.ListModel()->Clear();
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        ASSERT_TRUE(WaitFor([&] { return !f.Searching(); }));
        EXPECT_EQ(f.ListModel()->Rows().size(), box == f.cbTitle ? 1u : 11u);
    }
    QTest::keyClick(&f, Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(f.Searching()); // at once, not after a shown press of the button
    ASSERT_TRUE(WaitFor([&] { return !f.Searching(); }));
}
