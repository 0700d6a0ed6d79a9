#pragma once

#include <QString>

class QWidget;

enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { Ok, OkCancel };
enum class MsgAnswer { Ok, Cancel };

// What a save dialog is prepared with. Filter pairs are "description|pattern", joined by "|".
struct SaveRequest {
    QString Title;
    QString FileName;
    QString Folder;
    QString DefaultExt;
    QString Filter;
};

// Message boxes, the standard error box, the folder and save dialogs. The windows reach them only
// through this interface so tests can answer them.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual MsgAnswer MessageBox(QWidget* owner, const QString& text, const QString& title,
                                 MsgIcon icon, MsgButtons buttons) = 0;
    // The box an unexpected error of a command ends in: the message, an error icon, OK.
    virtual void ShowException(QWidget* owner, const QString& message) = 0;
    // The chosen folder, or empty text when the user cancelled.
    virtual QString SelectFolder(QWidget* owner, const QString& caption) = 0;
    // The chosen file, or empty text when the user cancelled. Never asks about overwriting:
    // the caller does that with its own question.
    virtual QString SaveFileName(QWidget* owner, const SaveRequest& request) = 0;
};

class QtDialogs : public Dialogs {
public:
    MsgAnswer MessageBox(QWidget* owner, const QString& text, const QString& title, MsgIcon icon,
                         MsgButtons buttons) override;
    void ShowException(QWidget* owner, const QString& message) override;
    QString SelectFolder(QWidget* owner, const QString& caption) override;
    QString SaveFileName(QWidget* owner, const SaveRequest& request) override;
};
