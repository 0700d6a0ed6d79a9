#include "ListActions.h"

#include <algorithm>
#include <utility>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QUrl>

#include "Desktop.h"
#include "Dialogs.h"
#include "ListWriters.h"
#include "ResultModel.h"

TListActions::TListActions(TListContext context, Dialogs& dialogs, Desktop& desktop)
    : m_list(std::move(context)), m_dialogs(dialogs), m_desktop(desktop) {}

std::vector<int> TListActions::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : m_list.Selection->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<int> TListActions::ChosenRows() const {
    std::vector<int> rows = SelectedRows();
    if (rows.size() >= 2)
        return rows;
    rows.resize(size_t(m_list.Model->rowCount()));
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i] = int(i);
    return rows;
}

std::vector<const TListRow*> TListActions::Rows(const std::vector<int>& indexes) const {
    std::vector<const TListRow*> rows;
    rows.reserve(indexes.size());
    for (int i : indexes)
        rows.push_back(&m_list.Model->Row(i));
    return rows;
}

std::vector<std::string> TListActions::SelectedPaths() const {
    std::vector<std::string> paths;
    for (const TListRow* row : Rows(SelectedRows()))
        paths.push_back(row->FullPath());
    return paths;
}

bool TListActions::Open(const QUrl& url) {
    if (m_desktop.OpenUrl(url))
        return true;
    // The shell would have said so itself; here nothing else tells the user.
    m_dialogs.MessageBox(m_list.Parent,
                         QStringLiteral("Cannot open \"%1\": no program is set up for it.")
                             .arg(url.isLocalFile() ? url.toLocalFile() : url.toString()),
                         QStringLiteral("Error"), MsgIcon::Error, MsgButtons::Ok);
    return false;
}

void TListActions::Play() {
    // What cannot open one file of a kind cannot open the next one either.
    for (const std::string& path : SelectedPaths())
        if (!Open(FileUrl(path)))
            return;
}

void TListActions::PlayInPlayer() {
    if (m_list.Model->rowCount() == 0)
        return;
    const QString playlist = QDir(QDir::tempPath()).filePath(QStringLiteral("Audrel.m3u"));
    if (WritePlaylist(playlist))
        Open(QUrl::fromLocalFile(playlist));
}

QString TListActions::AskFileName(const QString& title, const QString& defaultExt,
                                  const QString& filter) {
    SaveRequest request{title, QStringLiteral("Untitled"), m_list.FolderText(), defaultExt, filter};
    for (;;) {
        const QString chosen = m_dialogs.SaveFileName(m_list.Parent, request);
        if (chosen.isEmpty() || !QFileInfo::exists(chosen))
            return chosen;
        if (m_dialogs.MessageBox(m_list.Parent, QStringLiteral("File exists! Replace?"),
                                 QStringLiteral("Info"), MsgIcon::Question,
                                 MsgButtons::OkCancel) == MsgAnswer::Ok)
            return chosen;
        // Shown again where the user left it.
        request.FileName = chosen;
    }
}

void TListActions::SavePlaylist() {
    const QString chosen =
        AskFileName(QStringLiteral("Create Winamp Playlist"), QStringLiteral("m3u"),
                    QStringLiteral("WinAmp Playlist (*.m3u)|*.m3u"));
    if (!chosen.isEmpty())
        WritePlaylist(chosen);
}

void TListActions::SaveReport() {
    const QString chosen =
        AskFileName(QStringLiteral("Save Report"), QStringLiteral("txt"),
                    QStringLiteral("Text files (*.txt)|*.txt| CSV files (*.csv)|*.csv"));
    if (!chosen.isEmpty())
        WriteReport(chosen);
}

bool TListActions::Save(const QString& fileName, const QByteArray& bytes) {
    if (SaveWhole(fileName, bytes))
        return true;
    m_dialogs.MessageBox(m_list.Parent, QStringLiteral("Cannot create file %1").arg(fileName),
                         QStringLiteral("Error"), MsgIcon::Error, MsgButtons::Ok);
    return false;
}

bool TListActions::WritePlaylist(const QString& fileName) {
    return Save(fileName, PlaylistBytes(Rows(ChosenRows())));
}

bool TListActions::WriteReport(const QString& fileName) {
    // The report follows the columns visible now; "Path" is part of the first field.
    std::vector<ReportColumn> columns;
    for (int c = 2; c < ListColumnCount; ++c)
        if (m_list.ColumnShown(c))
            columns.push_back(
                {c, m_list.Model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()});
    return Save(fileName, ReportBytes(Rows(ChosenRows()), columns, IsCsvName(fileName)));
}

void TListActions::Copy() {
    const std::vector<std::string> paths = SelectedPaths();
    if (!paths.empty())
        CopyFilesToClipboard(paths);
}

void TListActions::CopyFilesToClipboard(const std::vector<std::string>& paths) {
    m_desktop.SetClipboard(FileListMime(paths).release());
}

void TListActions::Delete() {
    // Copies: rows of a running search arrive while the questions wait for the user.
    std::vector<TListRow> rows;
    for (const TListRow* row : Rows(SelectedRows()))
        rows.push_back(*row);
    for (const TListRow& row : rows) {
        const QString name = TResultModel::DisplayText(row, ColFileName);
        if (m_dialogs.MessageBox(
                m_list.Parent, QStringLiteral("Do you want to move \"%1\" to the trash?").arg(name),
                QStringLiteral("Confirmation"), MsgIcon::Question,
                MsgButtons::OkCancel) == MsgAnswer::Ok)
            RecycleFile(row.FullPath());
    }
}

void TListActions::RecycleFile(const std::string& path) {
    const QByteArray bytes(path.data(), qsizetype(path.size()));
    QString reason;
    if (m_desktop.MoveToTrash(bytes, reason))
        return;
    m_dialogs.MessageBox(m_list.Parent,
                         QStringLiteral("Cannot move \"%1\" to the trash.\n%2")
                             .arg(QFile::decodeName(bytes), reason),
                         QStringLiteral("Error"), MsgIcon::Error, MsgButtons::Ok);
}

void TListActions::OpenHomePage() {
    Open(QUrl(QString::fromLatin1(HomePage)));
}
