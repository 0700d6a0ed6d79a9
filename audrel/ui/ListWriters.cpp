#include "ListWriters.h"

#include <QMimeData>
#include <QSaveFile>
#include <QStringEncoder>
#include <QUrl>

namespace {

const QByteArray LineEnd = QByteArrayLiteral("\r\n");

QByteArray Bytes(const std::string& text) {
    return QByteArray(text.data(), qsizetype(text.size()));
}

// A tag text as one line of the file: a line break inside it would end the entry early.
QByteArray LineText(std::string_view tagText) {
    QByteArray text = LocaleText(tagText);
    text.replace('\r', ' ').replace('\n', ' ');
    return text;
}

// The artist and title parts of a playlist entry's display text.
QByteArray DisplayText(const TListRow& row) {
    const std::string& artistV1 = row.SubItems[1];
    const std::string& titleV1 = row.SubItems[2];
    const std::string& artistV2 = row.SubItems[4];
    const std::string& titleV2 = row.SubItems[5];
    QByteArray text;
    // A row without any artist shows its title part alone.
    if (!artistV2.empty())
        text = LineText(artistV2) + " - ";
    else if (!artistV1.empty())
        text = LineText(artistV1) + " - ";
    if (!titleV2.empty())
        text += LineText(titleV2);
    else if (!titleV1.empty())
        text += LineText(titleV1);
    else
        text += Bytes(row.Caption);
    return text;
}

} // namespace

QByteArray LocaleText(std::string_view utf8) {
    QStringEncoder toLocale(QStringConverter::System);
    return toLocale.encode(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
}

QByteArray PlaylistBytes(const std::vector<const TListRow*>& rows) {
    QByteArray out = "#EXTM3U" + LineEnd;
    for (const TListRow* row : rows) {
        out += "#EXTINF:" + QByteArray::number(ParseTime(row->SubItems[7]) - 1) + ',' +
               DisplayText(*row) + LineEnd;
        out += Bytes(row->FullPath()) + LineEnd;
    }
    return out;
}

bool IsCsvName(const QString& fileName) {
    return fileName.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
}

QByteArray ReportBytes(const std::vector<const TListRow*>& rows,
                       const std::vector<ReportColumn>& columns, bool csv) {
    const char separator = csv ? ',' : '\t';
    QStringEncoder toLocale(QStringConverter::System);
    QByteArray out = "File Name" + QByteArray(1, separator);
    for (const ReportColumn& column : columns)
        out += toLocale.encode(column.Caption) + separator;
    out += LineEnd;
    for (const TListRow* row : rows) {
        out += Bytes(row->FullPath()) + separator;
        for (const ReportColumn& column : columns) {
            const std::string& text = row->Column(column.Column);
            out += (column.Column == ColTime ? Bytes(text) : LineText(text)) + separator;
        }
        out += LineEnd;
    }
    return out;
}

QUrl FileUrl(const std::string& path) {
    return QUrl::fromEncoded("file://" + Bytes(path).toPercentEncoding("/"), QUrl::StrictMode);
}

std::unique_ptr<QMimeData> FileListMime(const std::vector<std::string>& paths) {
    QList<QUrl> urls;
    QByteArray copied = "copy";
    for (const std::string& path : paths) {
        urls.append(FileUrl(path));
        copied += '\n' + urls.constLast().toEncoded();
    }
    auto data = std::make_unique<QMimeData>();
    data->setUrls(urls);
    data->setData(QStringLiteral("x-special/gnome-copied-files"), copied);
    return data;
}

bool SaveWhole(const QString& fileName, const QByteArray& bytes) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // A write that fails (a full disk) leaves the old file, or none, in place.
    if (file.write(bytes) != bytes.size())
        file.cancelWriting();
    return file.commit();
}
