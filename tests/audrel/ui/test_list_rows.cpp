#include <gtest/gtest.h>

#include "FindMP3.h"
#include "ListRows.h"

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
    info.ArtistV1 = "A1";
    info.TitleV1 = "T1";
    info.AlbumV1 = "L1";
    info.ArtistV2 = "A2";
    info.TitleV2 = "T2";
    info.AlbumV2 = "L2";
    const TListRow row = RowFromInfo(info);
    EXPECT_EQ(row.Caption, "song.mp3");
    EXPECT_EQ(row.SubItems, (std::array<std::string, 8>{"/music/a b/", "A1", "T1", "L1", "A2", "T2",
                                                        "L2", " 3:05"}));
    EXPECT_EQ(row.FullPath(), "/music/a b/song.mp3");
}

} // namespace
