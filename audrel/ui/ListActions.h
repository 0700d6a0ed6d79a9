#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QString>

#include "ListRows.h"

class Desktop;
class Dialogs;
class QItemSelectionModel;
class QUrl;
class QWidget;
class TResultModel;

// What the list actions need of the window: the rows, which of them are selected, which columns
// show, the folder the save dialog starts in, and the window that owns the dialogs.
struct TListContext {
    const TResultModel* Model;
    const QItemSelectionModel* Selection;
    std::function<bool(int column)> ColumnShown;
    std::function<QString()> FolderText;
    QWidget* Parent;
};

// The maker's home page, as the AppStream metainfo names it.
inline constexpr char HomePage[] = "https://brakmo.example/audrel/";

// What the user does with the rows of the result list: play them, hand them to the player,
// save a playlist or a report, copy them to the clipboard, move them to the trash.
class TListActions {
public:
    TListActions(TListContext context, Dialogs& dialogs, Desktop& desktop);

    // The selected rows when two or more are selected, otherwise every row; in list order.
    std::vector<int> ChosenRows() const;
    // The selected rows in list order.
    std::vector<int> SelectedRows() const;

    void Play();
    void PlayInPlayer();
    void SavePlaylist();
    void SaveReport();
    void Copy();
    void Delete();
    void OpenHomePage();

    // Write the chosen rows; false (after the error box) when the file could not be written.
    bool WritePlaylist(const QString& fileName);
    bool WriteReport(const QString& fileName);
    void CopyFilesToClipboard(const std::vector<std::string>& paths);
    void RecycleFile(const std::string& path);

private:
    // The file the user chose, asked again while an existing file is not to be replaced;
    // empty when cancelled.
    QString AskFileName(const QString& title, const QString& defaultExt, const QString& filter);
    // Opens a file or address with its default program; an error box when none can.
    bool Open(const QUrl& url);
    std::vector<const TListRow*> Rows(const std::vector<int>& indexes) const;
    std::vector<std::string> SelectedPaths() const;
    bool Save(const QString& fileName, const QByteArray& bytes);

    TListContext m_list;
    Dialogs& m_dialogs;
    Desktop& m_desktop;
};
