#pragma once

#include <QByteArray>
#include <QString>

class QMimeData;
class QUrl;
class QWidget;

// Desktop services of the windows that tests replace.
class Desktop {
public:
    virtual ~Desktop() = default;
    // Draws the user's attention to the window (the task bar entry flashes) for msec.
    virtual void Flash(QWidget* window, int msec) = 0;
    // Opens a file or an address with the desktop's default program for it.
    virtual bool OpenUrl(const QUrl& url) = 0;
    // Replaces the clipboard's contents; the clipboard owns the data from then on.
    virtual void SetClipboard(QMimeData* data) = 0;
    // Moves the file (its name's bytes) to the user's trash. False, with the reason, when it
    // did not land there.
    virtual bool MoveToTrash(const QByteArray& path, QString& error) = 0;
};

class QtDesktop : public Desktop {
public:
    void Flash(QWidget* window, int msec) override;
    bool OpenUrl(const QUrl& url) override;
    void SetClipboard(QMimeData* data) override;
    bool MoveToTrash(const QByteArray& path, QString& error) override;
};
