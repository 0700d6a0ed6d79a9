#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include <QDialog>

class Dialogs;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;
class TMPEGaudio;

// What tells one state of a file from another: a file replaced by another or written since
// differs in its inode, size or modification time.
struct TFileStamp {
    bool Exists = false;
    uint64_t Device = 0, Inode = 0;
    int64_t Size = 0, ModifiedSec = 0, ModifiedNsec = 0;

    static TFileStamp Of(const std::string& path);
    bool operator==(const TFileStamp&) const = default;
};

// The tag editor: the MPEG data of one file and its ID3v1 and ID3v2 tags side by side.
// Created once at start (as MP3TagEdit) and shown modally by the main window after LoadFile.
class TMP3TagEdit : public QDialog {
    Q_OBJECT
public:
    explicit TMP3TagEdit(Dialogs& dialogs, QWidget* parent = nullptr);
    ~TMP3TagEdit() override;

    // Reads the file (its name as the file system's bytes) into the fields.
    void LoadFile(const std::string& path);
    // Enables or disables every field of group 1 (ID3v1) or 2 (ID3v2), giving it the window
    // background or the button face colour.
    void SetGroupEnabled(int group, bool enabled);

    const std::string& FileName() const { return m_fileName; }
    TMPEGaudio& Audio() { return *m_audio; }
    // True when a tag of the loaded file was written or removed since LoadFile.
    bool Wrote() const { return m_wrote; }
    // The six tag texts of a result row (ID3v1 and ID3v2 artist, title, album) as the file
    // holds them now, in UTF-8.
    std::array<std::string, 6> RowTags() const;

    // Controls; each objectName is the member's name, which language files key on.
    QLineEdit* eFileName;
    QGroupBox* boxID3v1;
    QCheckBox* ChBTag1;
    QLineEdit* eTrack1;
    QLineEdit* eTitle1;
    QLineEdit* eArtist1;
    QLineEdit* eAlbum1;
    QLineEdit* eYear1;
    QLineEdit* eComment1;
    QComboBox* cbGenre1;
    QGroupBox* boxID3v2;
    QCheckBox* ChBTag2;
    QLineEdit* eTrack2;
    QLineEdit* eTitle2;
    QLineEdit* eArtist2;
    QLineEdit* eAlbum2;
    QLineEdit* eYear2;
    QLineEdit* eComposer2;
    QLineEdit* eLanguage2;
    QLineEdit* eCopyright2;
    QLineEdit* eURL2;
    QLineEdit* eEncoded2;
    QPlainTextEdit* eComment2;
    QComboBox* cbGenre2;
    QGroupBox* MPEGInfo;
    QPlainTextEdit* MP3Memo1;
    QPushButton* bUpdate;
    QPushButton* b2to1;
    QPushButton* b1to2;
    QPushButton* bCancel;
    QLabel* lTrackN;
    QLabel* lTitle;
    QLabel* lArtist;
    QLabel* lAlbum;
    QLabel* iGenre;
    QLabel* lComment;
    QLabel* lComposer;
    QLabel* lLanguage;
    QLabel* lCopyright;
    QLabel* lURL;
    QLabel* lEncodedBy;

public slots:
    void ChBTag1Click();
    void ChBTag2Click();
    void b2to1Click();
    void b1to2Click();
    void bUpdateClick();
    void bCancelClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void SetTabOrder();
    void FormCreate();
    void ShowMPEGInfo();
    void ShowID3v1();
    void ShowID3v2();
    // After a file that is no MPEG audio: nothing of another file stays to be written.
    void ClearForInvalidFile();
    void SetWritable(bool writable);
    // The second paragraph of the save question when the ID3v2 save drops tag data.
    QString ID3v2LossWarning() const;
    // Writes one tag from its fields, or removes it after asking when its check box is cleared;
    // false after a failure, which has been shown.
    template <typename Tag>
    bool UpdateTag(Tag& tag, const QCheckBox* box, const QString& tagName,
                   void (TMP3TagEdit::*takeFields)());
    void TakeID3v1Fields();
    void TakeID3v2Fields();
    // The ID3v2 fields in the order of TID3v2::Field.
    std::array<QWidget*, 12> ID3v2Fields() const;
    // True (and the reload offered) when the file is no longer the one loaded.
    bool ChangedOnDisk();
    bool Confirm(const QString& text);
    bool Failed(const QString& action, const QString& tagName, int error);

    Dialogs& m_dialogs;
    std::string m_fileName;
    std::unique_ptr<TMPEGaudio> m_audio;
    TFileStamp m_stamp;
    // The ID3v2 texts as shown after loading: a field still showing its text is not set, so
    // its frame stays as it was.
    std::array<QString, 12> m_shownV2;
    bool m_wrote = false;
};
