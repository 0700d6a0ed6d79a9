#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

struct TFindMP3Info;

// Columns of the result list.
inline constexpr int ListColumnCount = 9;
inline constexpr int ColFileName = 0;
inline constexpr int ColPath = 1;
inline constexpr int ColTime = 8;

// One row of the result list: caption = file name; sub-items 0-7 = folder (ending in "/"),
// artist, title, album of ID3v1, the same of ID3v2, time text. Texts stay bytes: names as
// the file system holds them, tag texts whole in UTF-8 (sorting folds only A to Z of them).
struct TListRow {
    std::string Caption;
    std::array<std::string, 8> SubItems;

    // The text of a list column: 0 the caption, c the sub-item c - 1.
    const std::string& Column(int c) const { return c == 0 ? Caption : SubItems[size_t(c - 1)]; }
    std::string FullPath() const { return SubItems[0] + Caption; }
};

// "%2d:%.2d" of minutes and seconds: 65 -> " 1:05", 6000 -> "100:00".
std::string FormatTime(int seconds);
// Minutes before the first ":" and the two characters after it as seconds (leading blanks
// allowed); what does not parse counts as 0.
int ParseTime(std::string_view text);
// Text comparison folding only the letters a to z; other bytes compare by their code.
int CompareTextAZ(std::string_view a, std::string_view b);

TListRow RowFromInfo(const TFindMP3Info& info);

// <0, 0, >0 for rows a and b by the given column, in the given direction.
int ListViewCompare(const TListRow& a, const TListRow& b, int column, bool ascending);
// The row order after sorting by a column (a stable sort): order[i] is the old index of the
// row that goes to place i.
std::vector<int> SortOrder(const std::vector<TListRow>& rows, int column, bool ascending);
