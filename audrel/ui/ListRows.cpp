#include "ListRows.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "FindMP3.h"

std::string FormatTime(int seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%2d:%.2d", seconds / 60, seconds % 60);
    return text;
}

namespace {

// Leading blanks, an optional sign, decimal digits; 0 when there are no digits. Capped so
// that minutes * 60 cannot overflow.
int ReadNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min<long long>(value * 10 + (text[i] - '0'), 10'000'000);
    return int(negative ? -value : value);
}

unsigned char FoldAZ(unsigned char c) {
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

} // namespace

int ParseTime(std::string_view text) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return ReadNumber(text) * 60;
    return ReadNumber(text.substr(0, colon)) * 60 + ReadNumber(text.substr(colon + 1, 2));
}

int CompareTextAZ(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int ca = FoldAZ(static_cast<unsigned char>(a[i]));
        const int cb = FoldAZ(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca - cb;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

TListRow RowFromInfo(const TFindMP3Info& info) {
    TListRow row;
    row.Caption = info.Entry.Name;
    const size_t slash = info.FullPath.rfind('/');
    row.SubItems[0] =
        slash == std::string::npos ? std::string() : info.FullPath.substr(0, slash + 1);
    row.SubItems[1] = info.ArtistV1Text;
    row.SubItems[2] = info.TitleV1Text;
    row.SubItems[3] = info.AlbumV1Text;
    row.SubItems[4] = info.ArtistV2Text;
    row.SubItems[5] = info.TitleV2Text;
    row.SubItems[6] = info.AlbumV2Text;
    row.SubItems[7] = FormatTime(info.Duration);
    return row;
}

int ListViewCompare(const TListRow& a, const TListRow& b, int column, bool ascending) {
    int result;
    if (column == ColTime) {
        const int ta = ParseTime(a.SubItems[7]);
        const int tb = ParseTime(b.SubItems[7]);
        result = ta < tb ? -1 : ta > tb ? 1 : 0;
    } else {
        result = CompareTextAZ(a.Column(column), b.Column(column));
    }
    return ascending ? result : -result;
}

std::vector<int> SortOrder(const std::vector<TListRow>& rows, int column, bool ascending) {
    std::vector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    if (column == ColTime) {
        // Parse each time text once instead of twice per comparison.
        std::vector<int> seconds(rows.size());
        for (size_t i = 0; i < rows.size(); ++i)
            seconds[i] = ParseTime(rows[i].SubItems[7]);
        std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
            return ascending ? seconds[size_t(x)] < seconds[size_t(y)]
                             : seconds[size_t(x)] > seconds[size_t(y)];
        });
        return order;
    }
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        return ListViewCompare(rows[size_t(x)], rows[size_t(y)], column, ascending) < 0;
    });
    return order;
}
