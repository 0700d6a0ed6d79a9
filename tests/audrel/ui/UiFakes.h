#pragma once

#include <deque>
#include <map>
#include <memory>
#include <vector>

#include <QMimeData>
#include <QString>
#include <QUrl>

#include "Desktop.h"
#include "Dialogs.h"
#include "SettingsStore.h"
#include "audrel/QtApp.h"

// Settings held in memory; a "restart" is a new window over the same object.
class MemorySettings : public SettingsStore {
public:
    std::optional<QString> ReadString(const QString& name) const override {
        const auto it = Values.find(name);
        if (it == Values.end())
            return std::nullopt;
        return it->second;
    }
    void WriteString(const QString& name, const QString& value) override {
        if (FailWrites)
            throw SettingsError("Failed to create key Software/Brakmo/Finder/MP3");
        Values[name] = value;
        ++Writes;
    }
    void Flush() override {
        if (FailWrites)
            throw SettingsError("Failed to create key Software/Brakmo/Finder/MP3");
    }
    QString Value(const QString& name) const {
        return ReadString(name).value_or(QStringLiteral("<none>"));
    }

    std::map<QString, QString> Values;
    bool FailWrites = false;
    int Writes = 0;
};

// Message boxes and dialogs answer from a script and remember what they were asked.
class ScriptedDialogs : public Dialogs {
public:
    struct Message {
        QString Text;
        QString Title;
        MsgIcon Icon;
        MsgButtons Buttons;
    };

    MsgAnswer MessageBox(QWidget*, const QString& text, const QString& title, MsgIcon icon,
                         MsgButtons buttons) override {
        Messages.push_back({text, title, icon, buttons});
        return Next(Answers, MsgAnswer::Ok);
    }
    void ShowException(QWidget*, const QString& message) override { Errors.push_back(message); }
    QString SelectFolder(QWidget*, const QString& caption) override {
        FolderCaptions.push_back(caption);
        return Next(Folders, QString());
    }
    QString SaveFileName(QWidget*, const SaveRequest& request) override {
        SaveRequests.push_back(request);
        return Next(SaveNames, QString());
    }

    // The script's next answer, or the fallback once it has run out.
    template <typename T> static T Next(std::deque<T>& script, T fallback) {
        if (script.empty())
            return fallback;
        T next = script.front();
        script.pop_front();
        return next;
    }

    std::deque<MsgAnswer> Answers;
    std::deque<QString> SaveNames;
    std::vector<SaveRequest> SaveRequests;
    std::deque<QString> Folders;
    std::vector<Message> Messages;
    std::vector<QString> Errors;
    std::vector<QString> FolderCaptions;
};

// Records what would be opened and copied; the trash is the real one (tests point
// XDG_DATA_HOME at a temporary folder).
class CountingDesktop : public QtDesktop {
public:
    void Flash(QWidget*, int msec) override {
        ++Flashes;
        LastFlashMsec = msec;
    }
    bool OpenUrl(const QUrl& url) override {
        Opened.push_back(url);
        return !NoProgram;
    }
    void SetClipboard(QMimeData* data) override { Clipboard.reset(data); }

    int Flashes = 0;
    int LastFlashMsec = 0;
    std::vector<QUrl> Opened;
    bool NoProgram = false;
    std::unique_ptr<QMimeData> Clipboard;
};
