#pragma once

#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>

class QObject;

// Run-time translation of the windows' texts. The texts of every window are collected once,
// keyed by window and control name; a language file maps design texts to translations, and
// applying walks the windows and shows the translation of each collected design text.
class TMultiLang {
public:
    TMultiLang() = default;
    ~TMultiLang() = default;
    TMultiLang(const TMultiLang&) = delete;
    TMultiLang& operator=(const TMultiLang&) = delete;

    // Sorted "key=design text" lines, without case-insensitive duplicates.
    QStringList DesignTexts() const { return m_designTexts.values(); }
    const QStringList& Translations() const { return m_translations; }
    const QString& LanguageFile() const { return m_languageFile; }

    // The translation of a design text (first matching line, key without regard to case),
    // or the text itself.
    QString Translate(const QString& text) const;
    // The collected design text for a key, or empty text.
    QString DesignText(const QString& key) const;

    void LoadLanguage(const QString& fileName);
    void ResetToDefault();

    void CollectAll();
    void ApplyAll();
    void Collect(const QString& prefix, QObject* component);
    void Apply(const QString& prefix, QObject* component);

    // Splits a language file into lines: UTF-8 when valid, else the ANSI code page (old files).
    static QStringList DecodeLanguageFile(const QByteArray& bytes);

private:
    void AddDesignText(const QString& key, const QString& text);
    void SetTranslations(QStringList lines);

    QMap<QString, QString> m_designTexts;          // folded line -> line
    mutable QHash<QString, QString> m_designIndex; // folded key -> design text, first line wins
    mutable bool m_designIndexValid = false;
    QStringList m_translations;
    QHash<QString, QString> m_translationIndex; // folded key -> translation, first line wins
    QString m_languageFile;
};

// The program's one translator.
extern TMultiLang Localizer;
