#pragma once

#include <QDialog>
#include <QStringList>

class Dialogs;
class QComboBox;
class QLabel;
class QPushButton;
class SettingsStore;

// The language of the user interface: lists the language files, translates every window on
// "Translate" and remembers the choice for the next start.
class TConfigForm : public QDialog {
    Q_OBJECT
public:
    // Creating the dialog applies the stored language to every window that exists by then.
    TConfigForm(SettingsStore& settings, Dialogs& dialogs,
                QStringList languageFolders = DefaultLanguageFolders(), QWidget* parent = nullptr);
    ~TConfigForm() override;

    // The program's folder, then the installed language folder when there is one.
    static QStringList DefaultLanguageFolders();
    // "russian.lng" -> "Russian": the name up to the first ".lng", first letter upper case.
    static QString DisplayName(const QString& fileName);

    // Fills LanguagePaths and the choices; returns the number of language files found.
    int BuildLanguageList();
    // The file of a display name (case ignored, first line wins), or empty text.
    QString LanguagePath(const QString& name) const;
    // The first choice in the language of the user's locale, or empty text.
    QString LocaleChoice() const;

    QLabel* lLocalization;
    QComboBox* cbLocalization;
    QPushButton* bTranslate;
    QPushButton* bOk;

    // Lines "display name=full path".
    QStringList LanguagePaths;
    // Whether the original texts have been collected in this process.
    bool Collected = false;

public slots:
    void bTranslateClick();
    void bOkClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void CollectOnce();

    SettingsStore& m_settings;
    Dialogs& m_dialogs;
    QStringList m_folders;
};
