#include "uTAGEdit.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>

#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "CodePage.h"
#include "ID3v1.h"
#include "ID3v2.h"
#include "MultiLang.h"
#include "WindowFixture.h"
#include "support/TagBytes.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

using namespace testsupport;
using namespace std::string_literals;
using namespace Qt::StringLiterals;

namespace {

std::string Fixture(const char* name) {
    const char* folder = std::getenv("TEST_FIXTURES");
    return ReadFileBytes(std::string(folder ? folder : ".") + "/" + name);
}

// The fixture's tags: both versions, "Test Title" by "Test Artist", track 5, genre Rock.
const std::string BothTags = Fixture("lame_cbr128_tags.mp3");
// Audio without any tag.
const std::string Untagged = Fixture("lame_mono.mp3");

class TagEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CodePage::System().Number(), 1252u);
        editor.show();
    }

    std::string Make(const std::string& bytes) {
        EXPECT_TRUE(WriteFileBytes(dir / "a.mp3", bytes));
        return dir / "a.mp3";
    }
    QString LastMessage() const {
        return dialogs.Messages.empty() ? QString() : dialogs.Messages.back().Text;
    }
    bool Accepted() const { return !editor.isVisible() && editor.result() == QDialog::Accepted; }
    // Reads both tags back with the program's own readers.
    void Reread(const std::string& path) {
        ASSERT_TRUE(v1.ReadFromFile(path) && v2.ReadFromFile(path));
    }

    QApplication& app = TestApp();
    TempDir dir;
    ScriptedDialogs dialogs;
    TMP3TagEdit editor{dialogs};
    TID3v1 v1;
    TID3v2 v2;
};

bool GroupShowsEnabled(QWidget* field, bool enabled) {
    const QColor colour =
        QApplication::palette().color(enabled ? QPalette::Base : QPalette::Button);
    return field->isEnabled() == enabled && field->palette().color(QPalette::Base) == colour;
}

TEST_F(TagEditorTest, EachLoadShowsWhatThatFileHoldsAndNothingOfThePreviousOne) {
    editor.LoadFile(Make(BothTags));
    EXPECT_EQ(editor.MP3Memo1->toPlainText().split(u'\n'),
              QStringList({u"Size: 10368 bytes"_s, u"Header found at: 1046"_s,
                           u"Length: 1 seconds"_s, u"MPEG 1 Layer III"_s, u"128kbit"_s,
                           u"44100Hz Joint Stereo"_s, u"CRCs: No"_s, u"Copyright: No"_s,
                           u"Original: Yes"_s, u"Emphasis: None"_s, u"Encoder: LAME 3.10"_s}));
    EXPECT_EQ(editor.eTrack1->text(), u"5"_s);
    EXPECT_EQ(editor.eArtist2->text(), u"Test Artist"_s);
    EXPECT_EQ(editor.eComment2->toPlainText(), u"a comment"_s);
    EXPECT_EQ(editor.cbGenre1->itemText(0), u"A capella"_s); // the genre list, sorted

    const std::string junk = std::string(4000, 'x');
    const struct {
        std::string bytes;
        const char *title1, *genre1, *title2, *header;
    } files[] = {
        {Untagged + Id3v1Record("Solo", "", "", "", "", 3), "Solo", "", "", "Header found at: 0"},
        {Untagged, "", "", "", "Header found at: 0"},
        {junk, "", "", "", ""}, // not valid: nothing of the previous file is left to write
        {BothTags, "Test Title", "Rock", "Test Title", "Header found at: 1046"},
    };
    for (const auto& [bytes, title1, genre1, title2, header] : files) {
        SCOPED_TRACE(std::string(header) + title1);
        dialogs.Messages.clear();
        editor.LoadFile(Make(bytes));
        EXPECT_EQ(editor.eTitle1->text(), QLatin1String(title1));
        EXPECT_EQ(editor.cbGenre1->currentText(), QLatin1String(genre1));
        EXPECT_EQ(editor.eTitle2->text(), QLatin1String(title2));
        EXPECT_EQ(editor.MP3Memo1->toPlainText().split(u'\n').value(1), QLatin1String(header));
        EXPECT_EQ(editor.ChBTag1->isChecked(), *title1 != 0);
        EXPECT_EQ(editor.ChBTag2->isChecked(), *title2 != 0);
        EXPECT_TRUE(GroupShowsEnabled(editor.cbGenre1, *title1 != 0));
        EXPECT_TRUE(GroupShowsEnabled(editor.eURL2, *title2 != 0));
        const bool valid = bytes != junk;
        EXPECT_EQ(editor.bUpdate->isEnabled() && editor.b2to1->isEnabled(), valid);
        EXPECT_EQ(LastMessage(), valid ? QString() : u"Not valid file header!"_s);
    }
}

TEST_F(TagEditorTest, CopyButtonsTakeOnlyNonEmptyTextsAndSavingCutsID3v1) {
    const std::string path = Make(BothTags);
    editor.LoadFile(path);
    editor.eTitle1->clear();
    editor.eArtist1->setText(u"Other"_s);
    QTest::mouseClick(editor.b1to2, Qt::LeftButton);
    EXPECT_EQ(editor.eTitle2->text(), u"Test Title"_s);
    EXPECT_EQ(editor.eArtist2->text(), u"Other"_s);

    const QString forty = QString(40, u'x');
    editor.eTitle2->setText(forty);
    QTest::mouseClick(editor.b2to1, Qt::LeftButton);
    EXPECT_EQ(dialogs.Messages.back().Text, u"Copy TAG ID3v2 to ID3v1?"_s);
    EXPECT_EQ(editor.eTitle1->text(), forty);

    QTest::mouseClick(editor.bUpdate, Qt::LeftButton);
    ASSERT_TRUE(Accepted());
    Reread(path);
    EXPECT_EQ(v1.Title(), std::string(30, 'x'));
    EXPECT_EQ(v2.Title(), std::string(40, 'x'));
    EXPECT_EQ(v2.Artist(), "Other");
}

TEST_F(TagEditorTest, UnparsableTrackAndInexactGenreKeepWhatWasRead) {
    const struct {
        const char *track, *genre;
        int savedTrack, savedGenre;
    } cases[] = {{"", "jazz", 5, 17}, {"x7", "Jazz", 5, 8}, {"$0C", "", 12, 17}};
    for (const auto& [track, genre, savedTrack, savedGenre] : cases) {
        SCOPED_TRACE(std::string(track) + "/" + genre);
        const std::string path = Make(BothTags);
        editor.LoadFile(path);
        editor.show();
        editor.eTrack1->setText(QLatin1String(track));
        editor.eTrack2->setText(QLatin1String(track));
        editor.cbGenre1->setEditText(QLatin1String(genre));
        QTest::mouseClick(editor.bUpdate, Qt::LeftButton);
        Reread(path);
        EXPECT_EQ(v1.Track(), savedTrack);
        EXPECT_EQ(v2.Track(), savedTrack);
        EXPECT_EQ(v1.GenreIndex(), savedGenre);
    }
}

TEST_F(TagEditorTest, ClearedTagsAreDeletedEachAfterItsOwnQuestion) {
    const std::string path = Make(BothTags);
    editor.LoadFile(path);
    // Clearing both check boxes asks before each removal; Cancel keeps that tag.
    editor.ChBTag1->setChecked(false);
    editor.ChBTag2->setChecked(false);
    dialogs.Answers = {MsgAnswer::Ok, MsgAnswer::Cancel, MsgAnswer::Ok};
    QTest::mouseClick(editor.bUpdate, Qt::LeftButton);
    ASSERT_EQ(dialogs.Messages.size(), 3u);
    EXPECT_EQ(dialogs.Messages[1].Text, u"Delete ID3v1 TAG?"_s);
    EXPECT_EQ(dialogs.Messages[2].Text, u"Delete ID3v2 TAG?"_s);
    EXPECT_TRUE(Accepted());
    Reread(path);
    EXPECT_TRUE(v1.Exists());
    EXPECT_EQ(v1.Title(), "Test Title");
    EXPECT_FALSE(v2.Exists());
}

TEST_F(TagEditorTest, FailedSaveIsShownWithItsReasonAndKeepsTheDialog) {
    const std::string folder = dir / "ro";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string path = folder + "/a.mp3";
    ASSERT_TRUE(WriteFileBytes(path, BothTags));
    ::chmod(dir.Path().c_str(), 0711);
    GiveToUnprivileged(folder.c_str());
    GiveToUnprivileged(path.c_str());
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    EXPECT_TRUE(RunWithoutRoot([&] {
        editor.LoadFile(path);
        editor.eTitle2->setText(u"New title"_s);
        QTest::mouseClick(editor.bUpdate, Qt::LeftButton);
        // The ID3v1 record is rewritten in place; the ID3v2 rewrite needs the folder.
        return dialogs.Messages.size() == 2 && dialogs.Messages[1].Title == u"Error"_s &&
               dialogs.Messages[1].Text == QString::fromStdString("Cannot write ID3v2 TAG to " +
                                                                  path + ": Permission denied.") &&
               editor.isVisible() && editor.eTitle2->text() == u"New title"_s;
    }));
    Reread(path);
    EXPECT_EQ(v2.Title(), "Test Title");
}

TEST_F(TagEditorTest, ID3v2FieldsAreEditedAsUnicodeAndUnchangedFramesKept) {
    const std::string title = FrameV(4, "TIT2", "\3\xE5\xA4\x9C\xE6\x98\x8E\xE3\x81\x91"s);
    const std::string year = FrameV(4, "TDRC",
                                    "\0"
                                    "2021-03-04"s);
    const std::string picture = FrameV(4, "APIC", "\0image/png\0\3\0" + std::string(3000, 'P'));
    const std::string user = FrameV(4, "TXXX", "\0mood\0calm"s);
    const std::string artist = FrameV(4, "TPE1", "\0Old"s);
    const std::string tag = Id3v2Tag({picture, title, artist, year, user}, 64, 4);
    const struct {
        QString field; // what is typed into the artist field
        const char* saved;
    } cases[] = {
        {u"Кино"_s, "Кино"}, // beyond the code page
        {u"Café"_s, "Café"}, // in the code page
        {u"Old"_s, "Old"},   // unchanged: the whole tag stays as it was
    };
    for (const auto& [typed, saved] : cases) {
        SCOPED_TRACE(saved);
        const std::string path = Make(tag + Untagged);
        editor.LoadFile(path);
        EXPECT_EQ(editor.eTitle2->text(), u"夜明け"_s);
        EXPECT_EQ(editor.eYear2->text(), u"2021-03-04"_s);
        editor.eArtist2->setText(typed);
        QTest::mouseClick(editor.bUpdate, Qt::LeftButton);
        ASSERT_TRUE(Accepted());
        Reread(path);
        EXPECT_EQ(v2.Version(), 4);
        EXPECT_EQ(v2.Text(TID3v2::Field::Artist), saved);
        const std::string bytes = ReadFileBytes(path);
        for (const std::string& kept : {picture, title, year, user})
            EXPECT_TRUE(bytes.find(kept) != std::string::npos);
        // Unchanged, every frame is as it was and in its place.
        EXPECT_TRUE(typed != u"Old"_s ||
                    bytes.find(picture + title + artist + year + user) != std::string::npos);
    }
}

TEST_F(TagEditorTest, FileChangedSinceLoadingIsNotWrittenAndCanBeReloaded) {
    const std::string other = Untagged + Id3v1Record("Other song", "", "", "", "", 3);
    const struct {
        const char* how;
        std::function<void(const std::string&)> change;
    } cases[] = {
        {"replaced",
         [&](const std::string& path) {
             ASSERT_TRUE(WriteFileBytes(path + ".new", BothTags));
             ASSERT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
         }},
        {"rewritten", [&](const std::string& path) { ASSERT_TRUE(WriteFileBytes(path, other)); }},
        {"touched",
         [&](const std::string& path) {
             const timespec times[2] = {{0, UTIME_OMIT}, {1234567, 0}};
             ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
         }},
    };
    for (const auto& [how, change] : cases) {
        SCOPED_TRACE(how);
        const std::string path = Make(BothTags);
        editor.LoadFile(path);
        editor.show();
        editor.eTitle2->setText(u"Mine"_s);
        change(path);
        const std::string onDisk = ReadFileBytes(path);
        dialogs.Messages.clear();
        dialogs.Answers = {MsgAnswer::Ok, MsgAnswer::Cancel};
        QTest::mouseClick(editor.bUpdate, Qt::LeftButton);
        ASSERT_EQ(dialogs.Messages.size(), 2u);
        EXPECT_TRUE(
            dialogs.Messages[1].Text.startsWith(u"a.mp3 has changed since it was opened."_s));
        EXPECT_EQ(ReadFileBytes(path), onDisk);
        EXPECT_TRUE(editor.isVisible());
        EXPECT_EQ(editor.eTitle2->text(), u"Mine"_s);
    }
    // Reloading shows the file as it is now.
    dialogs.Answers = {MsgAnswer::Ok, MsgAnswer::Ok};
    ASSERT_TRUE(WriteFileBytes(dir / "a.mp3", other));
    QTest::mouseClick(editor.bUpdate, Qt::LeftButton);
    EXPECT_EQ(editor.eTitle1->text(), u"Other song"_s);
    EXPECT_FALSE(editor.ChBTag2->isChecked());
}

// Cancel on the save question keeps the dialog and writes nothing.
TEST_F(TagEditorTest, SaveQuestionWarnsOfDroppedID3v2Data) {
    const std::string title = TextFrame23("TIT2", "T");
    const std::string lossy =
        Id3v2Tag({title, Frame23("APIC", "\0image/png\0\3\0PNG"s), Frame23("TXXX", "x")});
    const struct {
        std::string tag;
        bool saveV2;
        const char* warning;
    } cases[] = {
        // A save keeps pictures, other frames, repeats and the version of 2.3 and 2.4 tags.
        {lossy, true, ""},
        {Id3v2Tag({title, TextFrame23("TIT2", "U")}), true, ""},
        {Id3v2Tag({FrameV(4, "TIT2", "\0T"s)}, 0, 4), true, ""},
        {Id3v2Tag({FrameV(2, "TT2", "\0T"s), FrameV(2, "CRM", "x"s)}, 0, 2), true,
         "The ID3v2.2 tag holds 1 frame that ID3v2.3 has no place for; saving removes it."},
        {Id3v2Tag({title}, 0, 5), true,
         "The file has an ID3v2.5 tag; saving replaces it with an ID3v2.3 tag that holds only "
         "these fields."},
        {Id3v2Tag({title}), true, ""},
        {lossy, false, ""}, // without ID3v2 to save there is nothing to warn of
    };
    for (const auto& [tag, saveV2, warning] : cases) {
        const std::string path = Make(tag + Untagged);
        editor.LoadFile(path);
        editor.ChBTag2->setChecked(saveV2);
        dialogs.Answers = {MsgAnswer::Cancel};
        QTest::mouseClick(editor.bUpdate, Qt::LeftButton);
        EXPECT_EQ(LastMessage().toStdString(),
                  "Save changes to ID3v-TAGs?" + std::string(*warning ? "\n\n" : "") + warning);
        EXPECT_EQ(ReadFileBytes(path), tag + Untagged);
        EXPECT_TRUE(editor.isVisible());
    }
}

TEST_F(TagEditorTest, TranslatedWithTheOtherWindows) {
    TMultiLang lang;
    lang.Collect(editor.objectName(), &editor);
    TempDir langDir;
    ASSERT_TRUE(WriteFileBytes(langDir / "x.lng", "&Update=&Speichern\r\nCopy to ID3v1=Nach v1\r\n"
                                                  "Year && Genre=Jahr && Genre\r\nID3v1=Eins\r\n"));
    lang.LoadLanguage(QString::fromStdString(langDir / "x.lng"));
    lang.Apply(editor.objectName(), &editor);
    EXPECT_EQ(editor.bUpdate->text(), u"&Speichern"_s);
    EXPECT_EQ(editor.b2to1->toolTip(), u"Nach v1"_s);
    EXPECT_EQ(editor.iGenre->text(), u"Jahr && Genre"_s);
    EXPECT_EQ(editor.boxID3v1->title(), u"ID3v1"_s); // group boxes keep their original text
}

} // namespace
