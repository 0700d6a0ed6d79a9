#pragma once

#include <array>
#include <memory>
#include <vector>

#include <QHeaderView>
#include <QMainWindow>
#include <QPixmap>

#include "ListRows.h"

class Desktop;
class Dialogs;
class TMP3TagEdit;
class QAction;
class QCheckBox;
class QComboBox;
class QDialog;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QToolBar;
class QToolButton;
class QTimer;
class QTreeView;
class SettingsStore;
class TFindMP3;
class TFormPlacement;
class TListActions;
class TResultModel;
class TUiHandOff;
struct TFindMP3Info;

// A picture control: shows its pixmap, or nothing, and reports clicks.
class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);
    void SetPicture(const QPixmap& picture);
    QSize sizeHint() const override;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap m_picture;
};

// The list header, able to tell the width that fits a column's caption.
class TListHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit TListHeader(QWidget* parent = nullptr);
    int CaptionWidth(int column) const;
};

// The main window: where and what to search, Start/Stop, and the hits as they arrive.
class TAudrelForm : public QMainWindow {
    Q_OBJECT
public:
    TAudrelForm(SettingsStore& settings, Dialogs& dialogs, Desktop& desktop,
                QWidget* parent = nullptr);
    ~TAudrelForm() override;

    bool Searching() const { return m_searching; }
    int ResultCount() const { return m_resultCount; }
    QString StatusText() const;
    TResultModel* ListModel() const { return m_listModel; }
    TListActions& Actions() const { return *m_actions; }

    // Width of a list column; 0 while hidden. Setting 0 hides it, -2 fits it to its caption.
    int ColumnWidth(int column) const;
    void SetColumnWidth(int column, int width);

    // The folder that stands for "no folder chosen": the home folder, ending in "/".
    static QString DefaultFolder();

    // The configuration dialog that "Configure" shows; created after this window.
    void SetConfigForm(QDialog* configForm) { m_configForm = configForm; }
    // The tag editor that "TAG Editor" opens; created after this window.
    void SetTagEditor(TMP3TagEdit* tagEditor);

    // Controls; each objectName is the member's name, which language files key on.
    QFrame* PanelTop;
    TImage* Image1;
    TImage* ImageTop;
    QPushButton* bStart;
    QLabel* lPlace;
    QComboBox* cbFolder;
    QPushButton* bBrowse;
    QCheckBox* CheckSubFolders;
    QLabel* lFileMask;
    QComboBox* cbFileMask;
    QRadioButton* RadioFast;
    QComboBox* cbFastTag;
    QRadioButton* RadioDetail;
    QCheckBox* CheckID3v1;
    QCheckBox* CheckID3v2;
    QCheckBox* CheckTitle;
    QComboBox* cbTitle;
    QCheckBox* CheckArtist;
    QComboBox* cbArtist;
    QCheckBox* CheckAlbum;
    QComboBox* cbAlbum;
    QCheckBox* CheckGenre;
    QComboBox* cbGenre;
    QFrame* PanelBottom;
    QToolBar* ToolBar;
    QToolButton* tbConfig;
    QToolButton* tbPlay;
    QToolButton* tbPlayWinamp;
    QToolButton* tbReport;
    QToolButton* tbPlaylist;
    QToolButton* tbCopy;
    QToolButton* tbDelete;
    QToolButton* tbTagEdit;
    QTreeView* ListView;
    QMenu* ListPopup;
    QAction* MPlay;
    QAction* MWinAmpPlay;
    QAction* MReport;
    QAction* MPlayList;
    QAction* MCopy;
    QAction* MDelete;
    QAction* MTagEdit;
    QStatusBar* StatusBar;
    TFormPlacement* FormPlacement;

    // The engine's notifications, run on the UI thread with the engine showing the state the
    // worker reached them in.
    void FindFolder(TFindMP3& sender);
    void FindFound(TFindMP3& sender, const TFindMP3Info& info);
    void FindFinished(TFindMP3& sender);

    int SortColumn = 0;
    std::array<bool, 9> SortAscending{};

public slots:
    void bBrowseClick();
    void bStartClick();
    void tbConfigClick();
    void MTagEditClick();
    void RadioFastClick();
    void RadioDetailClick();
    void CheckID3Click();
    void CheckTAAGClick(QCheckBox* box);
    void ListViewColumnClick(int column);
    void ListViewDblClick();
    void MWinAmpPlayClick();
    void MPlayListClick();
    void MReportClick();
    void MCopyClick();
    void MDeleteClick();
    void Image1Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CreateControls();
    void CreateListArea();
    void ConnectActions();
    // Enables each command as soon as it can act: on a selection, or on a list with rows.
    void UpdateCommands();
    void FormCreate();
    void FormClose();
    QString SelectFolder();
    void SetBoxGrey(QComboBox* box, bool grey);

    // Stops a running search and returns once its finish has been handled.
    void StopSearch();
    // Hits are shown in small batches: a list view lays out all its rows on every insertion.
    void FlushRows();

    SettingsStore& m_settings;
    Dialogs& m_dialogs;
    Desktop& m_desktop;
    QDialog* m_configForm = nullptr;
    TMP3TagEdit* m_tagEditor = nullptr;
    TResultModel* m_listModel;
    std::unique_ptr<TListActions> m_actions;
    TListHeader* m_header;
    QLabel* m_statusText;

    bool m_searching = false;
    int m_resultCount = 0;
    // The running search, or the last one until the next Start or the close releases it (it
    // cannot be released inside its own last notification).
    std::unique_ptr<TFindMP3> Engine;
    TUiHandOff* m_handOff;
    std::vector<TListRow> m_pendingRows;
    QTimer* m_flushTimer;
    bool m_stopping = false;
    bool m_closeAfterStop = false;
};
