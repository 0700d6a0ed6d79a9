#include "SettingsStore.h"

#include <QStringList>

QString SettingsStore::ReadText(const QString& name, const QString& def) const {
    return ReadString(name).value_or(def);
}

int SettingsStore::ReadInteger(const QString& name, int def) const {
    const auto text = ReadString(name);
    if (!text)
        return def;
    return ParseSettingsNumber(*text).value_or(def);
}

bool SettingsStore::ReadBool(const QString& name, bool def) const {
    return ReadInteger(name, def ? 1 : 0) != 0;
}

void SettingsStore::WriteInteger(const QString& name, int value) {
    WriteString(name, QString::number(value));
}

void SettingsStore::WriteBool(const QString& name, bool value) {
    WriteString(name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

std::optional<int> ParseSettingsNumber(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const QChar c = trimmed[i];
        const bool sign = i == 0 && (c == u'-' || c == u'+') && trimmed.size() > 1;
        if (!sign && (c < u'0' || c > u'9'))
            return std::nullopt;
    }
    bool ok = false;
    const int value = trimmed.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

QtSettingsStore::QtSettingsStore()
    : m_settings(QStringLiteral("Brakmo"), QStringLiteral("Finder")) {
    m_settings.beginGroup(QStringLiteral("MP3"));
}

std::optional<QString> QtSettingsStore::ReadString(const QString& name) const {
    const QVariant value = m_settings.value(name);
    if (!value.isValid())
        return std::nullopt;
    // A hand-edited file may hold an unquoted "1,2,3,4", which QSettings reads as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(u',');
    return value.toString();
}

void QtSettingsStore::WriteString(const QString& name, const QString& value) {
    if (!m_settings.isWritable())
        Fail();
    m_settings.setValue(name, value);
}

void QtSettingsStore::Flush() {
    m_settings.sync();
    if (m_settings.status() != QSettings::NoError)
        Fail();
}

void QtSettingsStore::Fail() const {
    const QString key = m_settings.fileName() + QStringLiteral(" [MP3]");
    throw SettingsError(QStringLiteral("Failed to create key %1").arg(key).toStdString());
}
