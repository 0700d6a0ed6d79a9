#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QByteArray>
#include <QString>

#include "ListRows.h"

class QMimeData;
class QUrl;

// What the result list writes, built without a window. Files are in the user's locale
// encoding with CR LF line ends: tag texts are converted from their UTF-8, file names keep
// their own bytes.

// A tag text (UTF-8) in the locale's encoding.
QByteArray LocaleText(std::string_view utf8);

// An extended M3U playlist of the rows.
QByteArray PlaylistBytes(const std::vector<const TListRow*>& rows);

// A list column the report shows: its index and its caption.
struct ReportColumn {
    int Column;
    QString Caption;
};
// True for a name whose extension is ".csv" in any case: the report then separates by commas.
bool IsCsvName(const QString& fileName);
// The report of the rows: the full path, then the given columns (2 to 8), each field followed
// by the separator.
QByteArray ReportBytes(const std::vector<const TListRow*>& rows,
                       const std::vector<ReportColumn>& columns, bool csv);

// "file://" and the path's bytes, percent-encoded, so that no byte of the name is lost.
QUrl FileUrl(const std::string& path);
// The files as a file manager copies them: their URLs and GNOME's "copy" list.
std::unique_ptr<QMimeData> FileListMime(const std::vector<std::string>& paths);

// Writes a file whole or not at all; false when it could not be created or written.
bool SaveWhole(const QString& fileName, const QByteArray& bytes);
