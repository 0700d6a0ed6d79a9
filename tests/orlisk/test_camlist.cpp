// The camera list file: byte-exact rewrites, the mirrored lists, and a list that is never lost.
#include "cameras/CamList.h"
#include "platform/Controls.h"
#include "support/Fakes.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace orlisk;

namespace {

QByteArray Saved(const QByteArray& in, const char* description, const char* address, SaveMode mode,
                 const char* old = "", bool answer = true, int* asked = nullptr,
                 bool* result = nullptr) {
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    const bool ok = WriteSaved(
        SplitLines(in), out, description, address, mode, old,
        [&] {
            if (asked)
                ++*asked;
            return answer;
        },
        [] {});
    if (result)
        *result = ok;
    return bytes;
}

QByteArray Removed(const QByteArray& in, const char* description) {
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    WriteRemoved(SplitLines(in), out, description);
    return bytes;
}

QStringList Items(const QComboBox& combo) {
    QStringList items;
    for (int i = 0; i < combo.count(); ++i)
        items << combo.itemText(i);
    return items;
}

QStringList Items(const QListWidget& list) {
    QStringList items;
    for (int i = 0; i < list.count(); ++i)
        items << list.item(i)->text();
    return items;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

const QByteArray kEiffel = "Eiffeltower\r\nhttp://e/1.jpg\r\n";

} // namespace

TEST(CamListFormat, ReadersSkipEmptyLinesAndAcceptEveryLineEnd) {
    const Lines lines = SplitLines("\r\nZoo\nhttp://z\r\n\rAlpha\rhttp://a");
    const auto descriptions = ReadDescriptions(lines);
    ASSERT_EQ(descriptions.size(), 2u);
    EXPECT_EQ(descriptions[0], "Zoo");
    EXPECT_EQ(descriptions[1], "Alpha");
    EXPECT_EQ(FindAddress(lines, "Alpha", Match::First), QByteArray("http://a"));
    EXPECT_FALSE(FindAddress(lines, "zoo", Match::First)) << "descriptions compare exactly";
}

TEST(CamListFormat, EditLookupFindsFirstEntryRefreshLookupTheLast) {
    const Lines lines = SplitLines("A\r\nurl1\r\nB\r\nurlB\r\nA\r\nurl2\r\n");
    EXPECT_EQ(FindAddress(lines, "A", Match::First), QByteArray("url1"));
    EXPECT_EQ(FindAddress(lines, "A", Match::Last), QByteArray("url2"));
}

TEST(CamListFormat, AnAddressLineIsNeverTakenForADescription) {
    // The address of "Cam" reads like a description: it must neither match nor shift the pairs.
    const QByteArray in = "Cam\r\nZoo\r\nZoo\r\nhttp://zoo\r\n";
    const Lines lines = SplitLines(in);
    EXPECT_EQ(FindAddress(lines, "Zoo", Match::Last), QByteArray("http://zoo"));
    EXPECT_EQ(Saved(in, "Zoo", "http://new", SaveMode::Edit, "Zoo"),
              "Cam\r\nZoo\r\nZoo\r\nhttp://new\r\n");
    EXPECT_EQ(Removed(in, "Zoo"), "Cam\r\nZoo\r\n");
}

TEST(CamListFormat, AddAppendsAtTheEndWithCrLf) {
    EXPECT_EQ(Saved(kEiffel, "Zoo", "http://z/zoo.jpg", SaveMode::Add),
              kEiffel + "Zoo\r\nhttp://z/zoo.jpg\r\n");
    // Missing or empty list: the new entry alone.
    EXPECT_EQ(Saved("", "Zoo", "u", SaveMode::Add), "Zoo\r\nu\r\n");
}

TEST(CamListFormat, AddOfAnExistingDescriptionAsksAndReplacesInPlace) {
    const QByteArray in = kEiffel + "Zoo\r\nold\r\nAlpha\r\na\r\n";
    int asked = 0;
    EXPECT_EQ(Saved(in, "Zoo", "new", SaveMode::Add, "", true, &asked),
              kEiffel + "Zoo\r\nnew\r\nAlpha\r\na\r\n");
    EXPECT_EQ(asked, 1);

    bool result = true;
    asked = 0;
    Saved(in, "Zoo", "new", SaveMode::Add, "", false, &asked, &result);
    EXPECT_FALSE(result);
    EXPECT_EQ(asked, 1);
}

TEST(CamListFormat, EditKeepsPlaceAndMayCreateADuplicateWithoutAsking) {
    const QByteArray in = kEiffel + "Zoo\r\nz\r\n";
    int asked = 0;
    EXPECT_EQ(Saved(in, "Eiffeltower", "z2", SaveMode::Edit, "Zoo", true, &asked),
              kEiffel + "Eiffeltower\r\nz2\r\n");
    EXPECT_EQ(asked, 0);
}

TEST(CamListFormat, CaseMattersAndEmptyLinesSurviveSaveButNotRemove) {
    const QByteArray in = "zoo\r\na\r\n\r\nZoo\r\nb\r\n";
    EXPECT_EQ(Saved(in, "Zoo", "c", SaveMode::Add), "zoo\r\na\r\n\r\nZoo\r\nc\r\n");
    EXPECT_EQ(Removed(in + "Zoo\r\nd\r\n", "Zoo"), "zoo\r\na\r\n");
}

TEST(CamListFormat, LastEntryWithoutAddressKeepsThePairing) {
    // Appending after a last line without its address would make the new description an
    // address; the rewrite gives the old entry an empty address line instead.
    const QByteArray in = kEiffel + "Lonely";
    EXPECT_EQ(ReadDescriptions(SplitLines(in)).size(), 2u);
    const QByteArray out = Saved(in, "Zoo", "z", SaveMode::Add);
    EXPECT_EQ(out, kEiffel + "Lonely\r\n\r\nZoo\r\nz\r\n");
    EXPECT_EQ(FindAddress(SplitLines(out), "Zoo", Match::Last), QByteArray("z"));
}

class CamListFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString Cams() const { return dir.filePath(QStringLiteral("Cams.inf")); }
    QString Rewrite() const { return dir.filePath(QStringLiteral("C1.DAT")); }

    QApplication& app = test::App();
    QTemporaryDir dir;
    CamListStore store{dir.path()};
    SortedListBox list1;
    QComboBox combo1;
    QComboBox combo2;
    CamLists lists{store, list1, combo1, combo2};
    test::ScriptedMessageBoxes boxes;
};

TEST_F(CamListFiles, NoListAtStartWritesTheDefaultEntry) {
    lists.LoadCamList();
    EXPECT_EQ(ReadFile(Cams()),
              QByteArray("Eiffeltower\r\n") + kDefaultAddress + QByteArray("\r\n"));
    const QStringList expected{QStringLiteral("Eiffeltower")};
    EXPECT_EQ(Items(list1), expected);
    EXPECT_EQ(Items(combo1), expected);
    EXPECT_EQ(Items(combo2), expected);
    EXPECT_EQ(combo1.currentIndex(), -1) << "a freshly filled picker has no selection";
}

TEST_F(CamListFiles, AnEntryLessListIsReplacedButAnUnreadableOneIsKept) {
    WriteFile(Cams(), "\r\n\r\n");
    lists.LoadCamList();
    EXPECT_EQ(list1.count(), 1);
}

TEST_F(CamListFiles, AListThatCannotBeReadIsNeverReplaced) {
    // A FIFO stands for any "Cams.inf" that exists but cannot be read: it must not hang the
    // program, and nothing may be written over it.
    ASSERT_EQ(::mkfifo(QFile::encodeName(Cams()).constData(), 0600), 0);
    lists.LoadCamList();
    EXPECT_EQ(list1.count(), 0);
    EXPECT_FALSE(store.SaveCamEntry(QStringLiteral("Zoo"), QStringLiteral("z"), SaveMode::Add,
                                    QString(), [] { return true; }, {}));
    EXPECT_FALSE(store.RemoveCamEntry(QStringLiteral("Zoo")));
    EXPECT_FALSE(store.FindCamUrl(QStringLiteral("Zoo"), Match::Last));
    EXPECT_FALSE(QFileInfo(Cams()).isFile());
}

TEST_F(CamListFiles, AddsKeepFileOrderWhileListsAreSorted) {
    WriteFile(Cams(), kEiffel);
    lists.LoadCamList();
    ASSERT_TRUE(lists.SaveCamEntry(QStringLiteral("Zoo"), QStringLiteral("z"), SaveMode::Add,
                                   QString(), boxes, nullptr, {}));
    ASSERT_TRUE(lists.SaveCamEntry(QStringLiteral("Alpha"), QStringLiteral("a"), SaveMode::Add,
                                   QString(), boxes, nullptr, {}));
    EXPECT_EQ(ReadFile(Cams()), kEiffel + "Zoo\r\nz\r\nAlpha\r\na\r\n");
    const QStringList sorted{QStringLiteral("Alpha"), QStringLiteral("Eiffeltower"),
                             QStringLiteral("Zoo")};
    EXPECT_EQ(Items(list1), sorted);
    EXPECT_EQ(Items(combo1), sorted);
    EXPECT_EQ(Items(combo2), sorted);
    EXPECT_FALSE(QFile::exists(Rewrite())) << "the rewrite file became the list";
    EXPECT_TRUE(boxes.calls.isEmpty());
}

TEST_F(CamListFiles, OverwriteQuestionAnsweredNoLeavesTheListByteForByte) {
    const QByteArray before = kEiffel + "Zoo\n z \r\n";
    WriteFile(Cams(), before);
    boxes.answers = {MessageBoxes::Answer::No};
    int hidden = 0;
    EXPECT_FALSE(lists.SaveCamEntry(QStringLiteral("Zoo"), QStringLiteral("new"), SaveMode::Add,
                                    QString(), boxes, nullptr, [&] { ++hidden; }));
    EXPECT_EQ(ReadFile(Cams()), before);
    EXPECT_TRUE(QFile::exists(Rewrite()));
    EXPECT_EQ(hidden, 0) << "the dialog stays open with what was typed";
    ASSERT_EQ(boxes.calls.size(), 1);
    EXPECT_EQ(
        boxes.calls[0].text,
        QStringLiteral("A cam with this description already exists! Do you want to overwrite it?"));
    EXPECT_EQ(boxes.calls[0].title, QStringLiteral("Orlisk"));
    EXPECT_EQ(boxes.calls[0].defaultButton, MessageBoxes::Answer::No);

    boxes.answers = {MessageBoxes::Answer::Yes};
    EXPECT_TRUE(lists.SaveCamEntry(QStringLiteral("Zoo"), QStringLiteral("new"), SaveMode::Add,
                                   QString(), boxes, nullptr, [&] { ++hidden; }));
    EXPECT_EQ(ReadFile(Cams()), kEiffel + "Zoo\r\nnew\r\n");
    EXPECT_GE(hidden, 1);
}

TEST_F(CamListFiles, RemoveDropsEveryEntryWithTheDescription) {
    WriteFile(Cams(), "A\r\n1\r\n\r\nB\r\n2\r\nA\r\n3\r\n");
    lists.LoadCamList();
    lists.RemoveCamEntry(QStringLiteral("A"));
    EXPECT_EQ(ReadFile(Cams()), "B\r\n2\r\n");
    EXPECT_EQ(Items(combo2), QStringList{QStringLiteral("B")});
    // Removing the last camera leaves an entry-less file, not a missing one.
    lists.RemoveCamEntry(QStringLiteral("B"));
    EXPECT_TRUE(QFile::exists(Cams()));
    EXPECT_EQ(ReadFile(Cams()), "");
    EXPECT_EQ(list1.count(), 0);
}

TEST_F(CamListFiles, AFailedRewriteNeverTouchesTheList) {
    WriteFile(Cams(), kEiffel);
    // "C1.DAT" cannot be created: a folder of that name is in the way.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("C1.DAT")));
    EXPECT_FALSE(lists.SaveCamEntry(QStringLiteral("Zoo"), QStringLiteral("z"), SaveMode::Add,
                                    QString(), boxes, nullptr, {}));
    lists.RemoveCamEntry(QStringLiteral("Eiffeltower"));
    EXPECT_EQ(ReadFile(Cams()), kEiffel);
}

TEST_F(CamListFiles, ARewriteKeepsThePermissionBits) {
    WriteFile(Cams(), kEiffel);
    const auto permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    QFile::setPermissions(Cams(), permissions);
    ASSERT_TRUE(store.RemoveCamEntry(QStringLiteral("Nothing")));
    const auto now = QFile::permissions(Cams());
    EXPECT_TRUE(now & QFileDevice::ReadOwner);
    EXPECT_FALSE(now & (QFileDevice::ReadGroup | QFileDevice::ReadOther));
}

TEST_F(CamListFiles, FieldsStayOneLineAndAnEmptyDescriptionIsRefused) {
    WriteFile(Cams(), kEiffel);
    EXPECT_FALSE(store.SaveCamEntry(QString(), QStringLiteral("u"), SaveMode::Add, QString(),
                                    [] { return true; }, {}));
    EXPECT_TRUE(store.SaveCamEntry(QStringLiteral("Two\nlines"), QStringLiteral("u\r\nv"),
                                   SaveMode::Add, QString(), [] { return true; }, {}));
    EXPECT_EQ(ReadFile(Cams()), kEiffel + "Two lines\r\nu  v\r\n");
}

TEST_F(CamListFiles, ListsSortAlphabeticallyWhateverTheLetterCase) {
    WriteFile(Cams(), "beta\r\nb\r\nZoo\r\nz\r\nAlpha\r\na\r\nzoo\r\nz2\r\n");
    lists.LoadCamList();
    const QStringList sorted{QStringLiteral("Alpha"), QStringLiteral("beta"), QStringLiteral("Zoo"),
                             QStringLiteral("zoo")};
    EXPECT_EQ(Items(list1), sorted);
    EXPECT_EQ(Items(combo2), sorted);
}

TEST_F(CamListFiles, ListsReadAsTheirEditorWroteThem) {
    const struct {
        QByteArray bytes;
        QStringList shown;
    } cases[] = {
        {"A\rhttp://a\rB\rhttp://b\r", {QStringLiteral("A"), QStringLiteral("B")}},
        {"\xEF\xBB\xBF"
         "Caf\xC3\xA9\r\nhttp://b\r\n",
         {QStringLiteral("Café")}},
        {"Caf\xE9\r\nhttp://b\r\n\x80uro\r\nhttp://e\r\n",
         {QStringLiteral("Café"), QStringLiteral("€uro")}},
    };
    for (const auto& [bytes, shown] : cases) {
        WriteFile(Cams(), bytes);
        lists.RefillCamLists();
        EXPECT_EQ(Items(list1), shown) << bytes.toStdString();
        EXPECT_EQ(store.FindCamUrl(shown.last(), Match::Last),
                  QStringLiteral("http://") + (bytes.contains("uro") ? u'e' : u'b'));
    }
    // The byte order mark stays at the start of the rewritten list.
    WriteFile(Cams(), "\xEF\xBB\xBF"
                      "A\r\nu\r\n");
    ASSERT_TRUE(store.SaveCamEntry(QStringLiteral("Zoo"), QStringLiteral("z"), SaveMode::Add,
                                   QString(), [] { return true; }, {}));
    EXPECT_EQ(ReadFile(Cams()), "\xEF\xBB\xBF"
                                "A\r\nu\r\nZoo\r\nz\r\n");
}

TEST_F(CamListFiles, AListThatCannotBeReadSaysWhy) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Cams.inf")));
    Lines lines;
    QString reason;
    EXPECT_EQ(store.Read(lines, &reason), CamListStore::ReadStatus::Unreadable);
    EXPECT_EQ(reason, QStringLiteral("it is not a regular file"));
}

TEST_F(CamListFiles, AWriteProtectedListIsNeverRewritten) {
    for (const QByteArray& before : {kEiffel, QByteArray()}) {
        WriteFile(Cams(), before);
        const auto readOnly =
            QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        ASSERT_TRUE(QFile::setPermissions(Cams(), readOnly));
        lists.LoadCamList(); // an entry-less list is not replaced by the default one either
        EXPECT_FALSE(store.SaveCamEntry(QStringLiteral("Zoo"), QStringLiteral("z"), SaveMode::Add,
                                        QString(), [] { return true; }, {}));
        EXPECT_EQ(store.LastError(), QStringLiteral("it is write-protected"));
        EXPECT_FALSE(store.RemoveCamEntry(QStringLiteral("Eiffeltower")));
        EXPECT_EQ(ReadFile(Cams()), before);
        EXPECT_FALSE(QFile::permissions(Cams()) & QFileDevice::WriteOwner);
        QFile::setPermissions(Cams(), readOnly | QFileDevice::WriteOwner);
        QFile::remove(Cams());
    }
}

TEST_F(CamListFiles, ACameraWrittenInAnotherCodePageCanBeFetchedEditedAndRemoved) {
    // "Zürich" in code page 1252: not valid UTF-8, shown as the characters it stands for.
    const QByteArray zurich = "Z\xfcrich";
    WriteFile(Cams(), kEiffel + zurich + "\r\nhttp://z/1\r\n");
    lists.LoadCamList();
    ASSERT_EQ(list1.count(), 2);
    const QString shown = list1.item(1)->text();
    EXPECT_EQ(shown, QStringLiteral("Zürich"));
    EXPECT_EQ(store.FindCamUrl(shown, Match::Last), QStringLiteral("http://z/1"));
    EXPECT_EQ(store.FindCamUrl(shown, Match::First), QStringLiteral("http://z/1"));

    // A new address keeps the description's bytes: the edit creates no second camera.
    ASSERT_TRUE(lists.SaveCamEntry(shown, QStringLiteral("http://z/2"), SaveMode::Edit, shown,
                                   boxes, nullptr, {}));
    EXPECT_EQ(ReadFile(Cams()), kEiffel + zurich + "\r\nhttp://z/2\r\n");
    // A new description replaces it in place.
    ASSERT_TRUE(lists.SaveCamEntry(QStringLiteral("Zürich Nord"), QStringLiteral("http://z/3"),
                                   SaveMode::Edit, shown, boxes, nullptr, {}));
    EXPECT_EQ(ReadFile(Cams()),
              kEiffel + QStringLiteral("Zürich Nord").toUtf8() + "\r\nhttp://z/3\r\n");

    WriteFile(Cams(), kEiffel + zurich + "\r\nhttp://z/1\r\n");
    lists.RemoveCamEntry(shown);
    EXPECT_EQ(ReadFile(Cams()), kEiffel);
    EXPECT_EQ(Items(combo1), QStringList{QStringLiteral("Eiffeltower")});
}

TEST_F(CamListFiles, ALineHoldingTheShownTextItselfWinsOverOneShownAlike) {
    // Both lines show as "Zürich"; the one whose bytes are that text is the exact match.
    const QByteArray latin1 = "Z\xfcrich";
    const QByteArray utf8 = QStringLiteral("Zürich").toUtf8();
    WriteFile(Cams(), latin1 + "\r\nhttp://l\r\n" + utf8 + "\r\nhttp://r\r\n");
    EXPECT_EQ(store.FindCamUrl(QStringLiteral("Zürich"), Match::First), QStringLiteral("http://r"));
    ASSERT_TRUE(store.RemoveCamEntry(QStringLiteral("Zürich")));
    EXPECT_EQ(ReadFile(Cams()), latin1 + "\r\nhttp://l\r\n");
}
