#include <gtest/gtest.h>

#include "FindMP3.h"
#include "ListRows.h"
#include "ListWriters.h"
#include "ResultModel.h"
#include "support/MpegBytes.h"
#include "support/TagBytes.h"
#include "support/TempDir.h"

namespace {

TListRow Row(std::string name, std::string time = " 0:00") {
    TListRow row;
    row.Caption = std::move(name);
    row.SubItems[7] = std::move(time);
    return row;
}

std::vector<std::string> Names(const std::vector<TListRow>& rows, const std::vector<int>& order) {
    std::vector<std::string> names;
    for (int i : order)
        names.push_back(rows[size_t(i)].Caption);
    return names;
}

TEST(ListRows, TimeTextHasTwoPlacesForMinutesAndTwoDigitsForSeconds) {
    EXPECT_EQ(FormatTime(9), " 0:09");
    EXPECT_EQ(FormatTime(65), " 1:05");
    EXPECT_EQ(FormatTime(599), " 9:59");
    EXPECT_EQ(FormatTime(600), "10:00");
    EXPECT_EQ(FormatTime(6000), "100:00");
    for (int s : {0, 9, 65, 3599, 6000, 123456})
        EXPECT_EQ(ParseTime(FormatTime(s)), s);
}

TEST(ListRows, ParseTimeToleratesTextItDidNotWrite) {
    EXPECT_EQ(ParseTime("  3:07"), 187);
    EXPECT_EQ(ParseTime("3:0"), 180); // seconds are at most the two characters after ':'
    EXPECT_EQ(ParseTime("1:234"), 83);
    EXPECT_EQ(ParseTime(""), 0);
    EXPECT_EQ(ParseTime("abc"), 0);
    EXPECT_EQ(ParseTime(":"), 0);
    EXPECT_EQ(ParseTime("99999999999999:99"), 10'000'000 * 60 + 99);
}

TEST(ListRows, TextComparisonFoldsOnlyAToZ) {
    EXPECT_EQ(CompareTextAZ("abc", "ABC"), 0);
    EXPECT_LT(CompareTextAZ("abc", "ABD"), 0);
    EXPECT_LT(CompareTextAZ("ab", "abc"), 0);
    // 'a' folds to 'A' (65), which sorts before '_' (95).
    EXPECT_LT(CompareTextAZ("a", "_"), 0);
    // Bytes above 127 are not folded: cp1251 'я' (0xFF) and 'Я' (0xDF) differ.
    EXPECT_NE(CompareTextAZ("\xFF", "\xDF"), 0);
    EXPECT_GT(CompareTextAZ("\xE9", "z"), 0);
}

TEST(ListRows, SortingByTimeIsNumericAndEachDirectionIsStable) {
    std::vector<TListRow> rows = {Row("a", "10:00"), Row("b", " 9:59"), Row("c", " 0:09"),
                                  Row("d", " 9:59")};
    EXPECT_EQ(Names(rows, SortOrder(rows, ColTime, true)),
              (std::vector<std::string>{"c", "b", "d", "a"}));
    EXPECT_EQ(Names(rows, SortOrder(rows, ColTime, false)),
              (std::vector<std::string>{"a", "b", "d", "c"}));
}

TEST(ListRows, SortingByNameIgnoresTheCaseOfAToZ) {
    std::vector<TListRow> rows = {Row("beta.mp3"), Row("Alpha.mp3"), Row("alpha.mp3"),
                                  Row("Gamma.mp3")};
    EXPECT_EQ(Names(rows, SortOrder(rows, ColFileName, true)),
              (std::vector<std::string>{"Alpha.mp3", "alpha.mp3", "beta.mp3", "Gamma.mp3"}));
    EXPECT_EQ(Names(rows, SortOrder(rows, ColFileName, false)),
              (std::vector<std::string>{"Gamma.mp3", "beta.mp3", "Alpha.mp3", "alpha.mp3"}));
}

TEST(ListRows, SortingByATagColumnUsesItsSubItem) {
    std::vector<TListRow> rows = {Row("1"), Row("2"), Row("3")};
    rows[0].SubItems[5] = "zebra"; // Title v2, column 6
    rows[1].SubItems[5] = "Apple";
    rows[2].SubItems[5] = "mango";
    EXPECT_EQ(Names(rows, SortOrder(rows, 6, true)), (std::vector<std::string>{"2", "3", "1"}));
    EXPECT_GT(ListViewCompare(rows[0], rows[1], 6, true), 0);
    EXPECT_LT(ListViewCompare(rows[0], rows[1], 6, false), 0);
}

TEST(ListRows, AHitBecomesCaptionFolderTagsAndTime) {
    TFindMP3Info info;
    info.Entry.Name = "song.mp3";
    info.FullPath = "/music/a b/song.mp3";
    info.Duration = 185;
    info.ArtistV1Text = "A1";
    info.TitleV1Text = "T1";
    info.AlbumV1Text = "L1";
    info.ArtistV2Text = "A2";
    info.TitleV2Text = "T2";
    info.AlbumV2Text = "L2";
    const TListRow row = RowFromInfo(info);
    EXPECT_EQ(row.Caption, "song.mp3");
    EXPECT_EQ(row.SubItems, (std::array<std::string, 8>{"/music/a b/", "A1", "T1", "L1", "A2", "T2",
                                                        "L2", " 3:05"}));
    EXPECT_EQ(row.FullPath(), "/music/a b/song.mp3");
}

// Code page 1252 here (set by CTest): it lacks the Japanese, Cyrillic and Greek letters.
TEST(ListRows, TagColumnsAndPlaylistShowEveryEncodingWhole) {
    using namespace testsupport;
    struct Case {
        std::string name, v2, v1;
        std::string artist, title; // the artist and title columns of the tag that holds them
    };
    const auto utf16 = [](std::u16string_view text, bool bigEndian, bool bom) {
        return std::string(1, bom ? '\x01' : '\x02') + Utf16Bytes(text, bigEndian, bom);
    };
    const Case cases[] = {
        {"utf16.mp3",
         Id3v2Tag({Utf16TextFrame23("TPE1", u"宇多田ヒカル"), Utf16TextFrame23("TIT2", u"桜流し")}),
         "", "宇多田ヒカル", "桜流し"},
        {"utf16be.mp3", Id3v2Tag({Utf16TextFrame23("TIT2", u"Кино", true)}), "", "", "Кино"},
        {"utf8.mp3",
         Id3v2Tag({FrameV(4, "TPE1", "\x03Μίκης"), FrameV(4, "TIT2", "\x03Группа крови")}, 0, 4),
         "", "Μίκης", "Группа крови"},
        {"utf16be24.mp3", Id3v2Tag({FrameV(4, "TIT2", utf16(u"Ζορμπάς", true, false))}, 0, 4), "",
         "", "Ζορμπάς"},
        {"v22.mp3", Id3v2Tag({FrameV(2, "TT2", utf16(u"Ελλάδα", false, true))}, 0, 2), "", "",
         "Ελλάδα"},
        {"latin1.mp3", Id3v2Tag({TextFrame23("TPE1", "Bj\xF6rk")}), "", "Björk", ""},
        {"v1.mp3", "", Id3v1Record("J\xF3ga \x80", "Bj\xF6rk"), "Björk", "Jóga €"},
    };
    TempDir dir;
    for (const Case& c : cases)
        ASSERT_TRUE(
            WriteFileBytes(dir / c.name, c.v2 + MpegFrames(MpegHeaderFields{}, 417, 20) + c.v1));
    std::vector<TListRow> rows;
    TFindMP3 engine;
    engine.SetFolder(dir.Path());
    engine.SetMask("*.mp3");
    engine.OnFound = [&rows](TFindMP3&, const TFindMP3Info& info) {
        rows.push_back(RowFromInfo(info));
    };
    engine.Start();
    engine.WaitUntilFinished();
    ASSERT_EQ(rows.size(), std::size(cases));

    for (const Case& c : cases) {
        const auto row = std::find_if(rows.begin(), rows.end(),
                                      [&c](const TListRow& r) { return r.Caption == c.name; });
        ASSERT_NE(row, rows.end()) << c.name;
        const int artistColumn = c.v1.empty() ? 5 : 2;
        EXPECT_EQ(TResultModel::DisplayText(*row, artistColumn), QString::fromStdString(c.artist))
            << c.name;
        EXPECT_EQ(TResultModel::DisplayText(*row, artistColumn + 1),
                  QString::fromStdString(c.title))
            << c.name;
        const std::string titlePart = c.title.empty() ? c.name : c.title;
        const std::string display = c.artist.empty() ? titlePart : c.artist + " - " + titlePart;
        EXPECT_TRUE(
            PlaylistBytes({&*row}).contains(QByteArray::fromStdString("," + display + "\r\n")))
            << c.name;
    }
}

} // namespace
