#include <QMimeData>
#include <QUrl>

#include <filesystem>
#include <iterator>

#include <gtest/gtest.h>

#include "ListWriters.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

namespace {

// Tag texts are UTF-8; the locale's encoding is UTF-8 too, and the code page 1251 (set by
// CTest) lacks the Japanese letters.

using S = const std::string&;
TListRow Row(S folder, S name, S artistV1, S titleV1, S artistV2, S titleV2, S time) {
    TListRow row;
    row.Caption = name;
    row.SubItems = {folder, artistV1, titleV1, "AlbumV1", artistV2, titleV2, "AlbumV2", time};
    return row;
}

std::vector<const TListRow*> Pointers(const std::vector<TListRow>& rows) {
    std::vector<const TListRow*> pointers;
    for (const TListRow& row : rows)
        pointers.push_back(&row);
    return pointers;
}

TEST(PlaylistBytes, ArtistAndTitleFallBackInTheirOrderAndTextsMeetTheLocale) {
    const std::pair<TListRow, QByteArray> cases[] = {
        {Row("/m/", "a.mp3", "A1", "T1", "A2", "T2", " 3:05"), "#EXTINF:184,A2 - T2"},
        {Row("/m/", "b.mp3", "A1", "T1", "", "", " 0:10"), "#EXTINF:9,A1 - T1"},
        {Row("/m/", "c.mp3", "", "T1", "A2", "", "10:00"), "#EXTINF:599,A2 - T1"},
        // Without any artist the title part stands alone; the file name stands in for a title.
        {Row("/m/", "d.mp3", "", "", "", "", " 0:00"), "#EXTINF:-1,d.mp3"},
        {Row("/m/", "e.mp3", "", "", "", "T2\r\nmore", " 0:01"), "#EXTINF:0,T2  more"},
        {Row("/m/", "f.mp3", "Аб", "я", "", "", " 0:02"), "#EXTINF:1,Аб - я"},
        {Row("/m/", "g.mp3", "", "", "宇多田", "桜流し", " 0:03"), "#EXTINF:2,宇多田 - 桜流し"},
        // File names keep their own bytes, even where they are no UTF-8.
        {Row("/m/\xE9t\xE9/", "\xFF.mp3", "", "", "", "", " 0:03"), "#EXTINF:2,\xFF.mp3"},
    };
    std::vector<const TListRow*> rows;
    QByteArray expected = "#EXTM3U\r\n";
    for (const auto& [row, entry] : cases) {
        rows.push_back(&row);
        expected += entry + "\r\n" + QByteArray::fromStdString(row.FullPath()) + "\r\n";
    }
    EXPECT_EQ(PlaylistBytes(rows), expected);
    EXPECT_EQ(PlaylistBytes({}), QByteArray("#EXTM3U\r\n"));
}

TEST(ReportBytes, FollowsTheShownColumnsWithTheSeparatorAfterEveryField) {
    const std::vector<TListRow> rows = {
        Row("/m/", "a.mp3", "А", "T1", "A2", "桜", " 3:05"),
        Row("/m/\xFF/", "b.mp3", "", "", "", "", " 0:00"),
    };
    const std::vector<ReportColumn> columns = {{2, QStringLiteral("Artist v1")},
                                               {6, QStringLiteral("Title v2")},
                                               {8, QStringLiteral("Time")}};
    EXPECT_EQ(ReportBytes(Pointers(rows), columns, false),
              QByteArray("File Name\tArtist v1\tTitle v2\tTime\t\r\n"
                         "/m/a.mp3\tА\t桜\t 3:05\t\r\n"
                         "/m/\xFF/b.mp3\t\t\t 0:00\t\r\n"));
    EXPECT_EQ(ReportBytes(Pointers(rows), {{3, QStringLiteral("Title v1")}}, true),
              QByteArray("File Name,Title v1,\r\n/m/a.mp3,T1,\r\n/m/\xFF/b.mp3,,\r\n"));
    EXPECT_EQ(ReportBytes({}, columns, true), QByteArray("File Name,Artist v1,Title v2,Time,\r\n"));
}

TEST(FileListMime, CarriesTheUrlsAndGnomesCopyList) {
    const auto data = FileListMime({"/m/a b.mp3", "/m/\xFF.mp3"});
    ASSERT_EQ(data->urls().size(), 2);
    EXPECT_EQ(data->urls()[0].toLocalFile(), QStringLiteral("/m/a b.mp3"));
    EXPECT_EQ(data->data(QStringLiteral("text/uri-list")),
              QByteArray("file:///m/a%20b.mp3\r\nfile:///m/%FF.mp3\r\n"));
    EXPECT_EQ(data->data(QStringLiteral("x-special/gnome-copied-files")),
              QByteArray("copy\nfile:///m/a%20b.mp3\nfile:///m/%FF.mp3"));
}

TEST(SaveWhole, AFileIsWrittenWholeOrNotAtAll) {
    testsupport::TempDir dir;
    const QString name = QString::fromStdString(dir / "list.m3u");
    ASSERT_TRUE(SaveWhole(name, "old"));
    EXPECT_EQ(testsupport::ReadFileBytes(dir / "list.m3u"), "old");
    EXPECT_FALSE(SaveWhole(QString::fromStdString(dir / "no/such/list.m3u"), "x"));

    // A write that runs out of room (here the file size limit) keeps the old file.
    const bool keptOld = testsupport::RunInChild([&] {
        const testsupport::FileSizeLimit limit(100);
        return limit.Active() && !SaveWhole(name, QByteArray(100000, 'x')) &&
               testsupport::ReadFileBytes(dir / "list.m3u") == "old";
    });
    EXPECT_TRUE(keptOld);
    const auto entries = std::filesystem::directory_iterator(dir.Path());
    EXPECT_EQ(std::distance(begin(entries), end(entries)), 1); // no half-written file beside it
}

} // namespace
