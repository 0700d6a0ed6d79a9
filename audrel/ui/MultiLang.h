#pragma once

#include <memory>

#include <QHash>
#include <QLocale>
#include <QMap>
#include <QString>
#include <QStringList>

class QObject;
class QTranslator;

// Run-time translation of the windows' texts. The texts of every window are collected once,
// keyed by window and control name; a language file maps original texts to translations, and
// applying walks the windows and shows the translation of each collected original text.
class TMultiLang {
public:
    TMultiLang();
    ~TMultiLang();
    TMultiLang(const TMultiLang&) = delete;
    TMultiLang& operator=(const TMultiLang&) = delete;

    // Sorted "key=original text" lines, without case-insensitive duplicates.
    QStringList DesignTexts() const { return m_designTexts.values(); }
    const QStringList& Translations() const { return m_translations; }
    const QString& LanguageFile() const { return m_languageFile; }

    // The translation of a original text (first matching line, key without regard to case),
    // or the text itself.
    QString Translate(const QString& text) const;
    // The collected original text for a key, or empty text.
    QString DesignText(const QString& key) const;

    // Qt's own texts (file dialogs, message box buttons) follow: a loaded file brings Qt's
    // translation of its language, the default brings back the system's.
    void LoadLanguage(const QString& fileName);
    void ResetToDefault();
    // Qt's translation for the system's locale, as at a start in the default language.
    void FollowSystemLocale();

    void CollectAll();
    void ApplyAll();
    void Collect(const QString& prefix, QObject* component);
    void Apply(const QString& prefix, QObject* component);

    // Splits a language file into lines: UTF-8 when valid, else the ANSI code page (old files).
    static QStringList DecodeLanguageFile(const QByteArray& bytes);
    // The language a file's name stands for, in English ("Russian.lng") or in the language
    // itself ("Deutsch.lng"), case ignored; QLocale::AnyLanguage when it names none.
    static QLocale::Language LanguageOfFile(const QString& fileName);

private:
    void AddDesignText(const QString& key, const QString& text);
    void SetTranslations(QStringList lines);
    void LoadQtTranslation(const QLocale& locale);

    QMap<QString, QString> m_designTexts;          // folded line -> line
    mutable QHash<QString, QString> m_designIndex; // folded key -> original text, first line wins
    mutable bool m_designIndexValid = false;
    QStringList m_translations;
    QHash<QString, QString> m_translationIndex; // folded key -> translation, first line wins
    QString m_languageFile;
    std::unique_ptr<QTranslator> m_qtTranslation; // installed while it holds one
};

// The program's one translator.
extern TMultiLang Localizer;
