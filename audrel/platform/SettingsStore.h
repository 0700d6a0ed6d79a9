#pragma once

#include <optional>
#include <stdexcept>

#include <QSettings>
#include <QString>

// Raised when the settings cannot be written; its text goes to the standard error box.
class SettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The program's settings: one section of string values. Booleans are "1"/"0" and numbers
// decimal text; a missing or unparsable value reads as the caller's default.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    virtual std::optional<QString> ReadString(const QString& name) const = 0;
    // Throws SettingsError ("Failed to create key %s") when the store cannot be written.
    virtual void WriteString(const QString& name, const QString& value) = 0;
    // Pushes written values to disk; throws SettingsError when that fails.
    virtual void Flush() = 0;

    QString ReadText(const QString& name, const QString& def) const;
    int ReadInteger(const QString& name, int def) const;
    bool ReadBool(const QString& name, bool def) const;
    void WriteInteger(const QString& name, int value);
    void WriteBool(const QString& name, bool value);
};

// The number syntax of the stored values: optional blanks, a sign and decimal digits.
std::optional<int> ParseSettingsNumber(const QString& text);

// QSettings("Brakmo", "Finder"), group "MP3". Tests redirect it with QSettings::setPath.
class QtSettingsStore : public SettingsStore {
public:
    QtSettingsStore();

    std::optional<QString> ReadString(const QString& name) const override;
    void WriteString(const QString& name, const QString& value) override;
    void Flush() override;

    QString FileName() const { return m_settings.fileName(); }

private:
    [[noreturn]] void Fail() const;

    mutable QSettings m_settings;
};
