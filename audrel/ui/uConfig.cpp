#include "uConfig.h"

#include <algorithm>

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

#include "Dialogs.h"
#include "MultiLang.h"
#include "SettingsStore.h"

namespace {

const QString DefaultChoice = QStringLiteral("< Default >");
const QString LangNameValue = QStringLiteral("LangName");

} // namespace

TConfigForm::TConfigForm(SettingsStore& settings, Dialogs& dialogs, QStringList languageFolders,
                         QWidget* parent)
    : QDialog(parent), m_settings(settings), m_dialogs(dialogs),
      m_folders(std::move(languageFolders)) {
    setObjectName(QStringLiteral("ConfigForm"));
    setWindowTitle(QStringLiteral("Configuration"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFixedSize(246, 148);

    lLocalization = new QLabel(QStringLiteral("Localization"), this);
    lLocalization->setObjectName(QStringLiteral("lLocalization"));
    lLocalization->setGeometry(8, 8, 150, 16);

    cbLocalization = new QComboBox(this);
    cbLocalization->setObjectName(QStringLiteral("cbLocalization"));
    cbLocalization->setEditable(true);
    cbLocalization->setGeometry(8, 26, 145, 24);
    lLocalization->setBuddy(cbLocalization);

    bTranslate = new QPushButton(QStringLiteral("Translate"), this);
    bTranslate->setObjectName(QStringLiteral("bTranslate"));
    bTranslate->setGeometry(162, 25, 76, 26);
    bTranslate->setAutoDefault(false);
    connect(bTranslate, &QPushButton::clicked, this, &TConfigForm::bTranslateClick);

    bOk = new QPushButton(QStringLiteral("OK"), this);
    bOk->setObjectName(QStringLiteral("bOk"));
    bOk->setGeometry(162, 114, 76, 26);
    bOk->setDefault(true);
    connect(bOk, &QPushButton::clicked, this, &TConfigForm::bOkClick);

    FormCreate();
}

TConfigForm::~TConfigForm() = default;

QStringList TConfigForm::DefaultLanguageFolders() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    QStringList folders{programFolder};
    // Where an installed program keeps its language files.
    const QString installed =
        QDir::cleanPath(programFolder + QStringLiteral("/../share/audrel/lang"));
    if (QFileInfo(installed).isDir() && installed != QDir::cleanPath(programFolder))
        folders.append(installed);
    return folders;
}

QString TConfigForm::DisplayName(const QString& fileName) {
    QString name = fileName.left(fileName.toLower().indexOf(QStringLiteral(".lng")));
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    return name;
}

int TConfigForm::BuildLanguageList() {
    LanguagePaths.clear();
    QStringList names;
    int found = 0;
    for (const QString& folder : m_folders) {
        const QDir dir(folder);
        const QStringList files =
            dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
        for (const QString& file : files) {
            if (!file.endsWith(QStringLiteral(".lng"), Qt::CaseInsensitive))
                continue;
            const QString name = DisplayName(file);
            // A file called just ".lng" would stand for the empty choice, which means the
            // original language.
            if (name.isEmpty())
                continue;
            ++found;
            LanguagePaths.append(name + u'=' + dir.absoluteFilePath(file));
            const bool known = std::any_of(names.cbegin(), names.cend(), [&](const QString& n) {
                return n.compare(name, Qt::CaseInsensitive) == 0;
            });
            if (!known)
                names.append(name);
        }
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });

    // Rebuilding the items must not lose what the user has typed or chosen.
    const QString current = cbLocalization->currentText();
    cbLocalization->clear();
    cbLocalization->addItem(DefaultChoice);
    cbLocalization->addItems(names);
    cbLocalization->setEditText(current);
    return found;
}

QString TConfigForm::LanguagePath(const QString& name) const {
    for (const QString& line : LanguagePaths) {
        const qsizetype eq = line.indexOf(u'=');
        if (line.left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1);
    }
    return QString();
}

void TConfigForm::CollectOnce() {
    // Collected before any translation, so the collected texts are the original ones.
    if (!Collected) {
        Collected = true;
        Localizer.CollectAll();
    }
}

QString TConfigForm::LocaleChoice() const {
    const QLocale::Language language = QLocale().language();
    for (int i = 1; i < cbLocalization->count(); ++i) {
        const QString name = cbLocalization->itemText(i);
        if (TMultiLang::LanguageOfFile(LanguagePath(name)) == language)
            return name;
    }
    return QString();
}

void TConfigForm::FormCreate() {
    Collected = false;
    if (BuildLanguageList() == 0)
        return;
    // Until a language has been chosen, the one of the user's locale.
    const QString stored = m_settings.ReadText(LangNameValue, LocaleChoice());
    cbLocalization->setEditText(stored);
    CollectOnce();
    Localizer.LoadLanguage(LanguagePath(stored));
    Localizer.ApplyAll();
}

void TConfigForm::FormShow() {
    BuildLanguageList();
}

void TConfigForm::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TConfigForm::bTranslateClick() {
    CollectOnce();
    const QString choice = cbLocalization->currentText();
    Localizer.LoadLanguage(LanguagePath(choice));
    Localizer.ApplyAll();
    try {
        m_settings.WriteString(LangNameValue, choice);
        m_settings.Flush();
    } catch (const SettingsError& error) {
        m_dialogs.ShowException(this, QString::fromLocal8Bit(error.what()));
    }
}

void TConfigForm::bOkClick() {
    accept();
}
