#include "MultiLang.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenu>
#include <QMenuBar>
#include <QStringDecoder>
#include <QTableView>
#include <QTranslator>
#include <QTreeView>
#include <QWidget>

#include <algorithm>

#include "CodePage.h"

TMultiLang Localizer;

namespace {

// Columns are looked up by the caption they had when collected, kept on the list view, so a
// second language or the default finds its original text after a first one renamed them.
const char* const DesignCaptionsProperty = "audrelDesignColumnCaptions";

QString Fold(const QString& text) {
    return text.toCaseFolded();
}

QHeaderView* ListViewHeader(QObject* object) {
    if (auto* tree = qobject_cast<QTreeView*>(object))
        return tree->header();
    if (auto* table = qobject_cast<QTableView*>(object))
        return table->horizontalHeader();
    return nullptr;
}

// Labels, every kind of button, and plain frames (panels). Group boxes, edit fields and
// combo boxes are left alone.
bool IsTextControl(QObject* object) {
    if (qobject_cast<QLabel*>(object) || qobject_cast<QAbstractButton*>(object))
        return true;
    return object->metaObject() == &QFrame::staticMetaObject;
}

QString ControlText(QObject* object) {
    if (auto* label = qobject_cast<QLabel*>(object))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(object))
        return button->text();
    return QString();
}

void SetControlText(QObject* object, const QString& text) {
    // A language file is plain text: "<b>" in a line is shown as typed, never as markup.
    if (auto* label = qobject_cast<QLabel*>(object)) {
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(object))
        button->setText(text);
}

QList<QAction*> TopLevelItems(QObject* menu) {
    QList<QAction*> items;
    if (auto* popup = qobject_cast<QMenu*>(menu))
        items = popup->actions();
    else if (auto* bar = qobject_cast<QMenuBar*>(menu))
        items = bar->actions();
    items.removeIf([](QAction* a) { return a->isSeparator() || a->objectName().isEmpty(); });
    return items;
}

// Named by the program; Qt names the parts it makes itself "qt_..." (a tool bar's extension
// button, say), and those are not translated.
bool IsOwnControl(const QString& name) {
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

bool IsMenu(QObject* object) {
    return qobject_cast<QMenu*>(object) || qobject_cast<QMenuBar*>(object);
}

// Other windows (dialogs parented to the main window) are collected under their own name.
bool IsOtherWindow(QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    return widget && widget->isWindow() && !IsMenu(object);
}

QList<QWidget*> ApplicationWindows() {
    QList<QWidget*> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (!w->objectName().isEmpty() && !IsMenu(w))
            windows.append(w);
    std::sort(windows.begin(), windows.end(),
              [](QWidget* a, QWidget* b) { return a->objectName() < b->objectName(); });
    return windows;
}

} // namespace

TMultiLang::TMultiLang() = default;

TMultiLang::~TMultiLang() = default;

QString TMultiLang::Translate(const QString& text) const {
    const auto it = m_translationIndex.constFind(Fold(text));
    return it == m_translationIndex.constEnd() ? text : it.value();
}

QString TMultiLang::DesignText(const QString& key) const {
    if (!m_designIndexValid) {
        m_designIndex.clear();
        for (const QString& line : m_designTexts) {
            const qsizetype eq = line.indexOf(u'=');
            const QString folded = Fold(line.left(eq));
            if (!m_designIndex.contains(folded)) // sorted order: the first line wins
                m_designIndex.insert(folded, line.mid(eq + 1));
        }
        m_designIndexValid = true;
    }
    return m_designIndex.value(Fold(key));
}

void TMultiLang::AddDesignText(const QString& key, const QString& text) {
    const QString line = key + u'=' + text;
    const QString folded = Fold(line);
    if (!m_designTexts.contains(folded)) {
        m_designTexts.insert(folded, line);
        m_designIndexValid = false;
    }
}

QStringList TMultiLang::DecodeLanguageFile(const QByteArray& bytes) {
    QByteArray data = bytes;
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(data);
    if (utf8.hasError()) {
        const std::string converted =
            CodePage::System().ToUtf8(std::string_view(data.constData(), size_t(data.size())));
        text = QString::fromUtf8(converted.data(), qsizetype(converted.size()));
    }
    QStringList lines = text.split(u'\n');
    for (QString& line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void TMultiLang::SetTranslations(QStringList lines) {
    m_translations = std::move(lines);
    m_translationIndex.clear();
    for (const QString& line : m_translations) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = Fold(line.left(eq));
        if (!m_translationIndex.contains(key))
            m_translationIndex.insert(key, line.mid(eq + 1));
    }
}

QLocale::Language TMultiLang::LanguageOfFile(const QString& fileName) {
    const QString name = QFileInfo(fileName).fileName();
    const QString stem = name.left(name.toLower().indexOf(QStringLiteral(".lng")));
    if (stem.isEmpty())
        return QLocale::AnyLanguage;
    for (int l = QLocale::AnyLanguage + 1; l <= QLocale::LastLanguage; ++l) {
        const auto language = static_cast<QLocale::Language>(l);
        if (language == QLocale::C)
            continue;
        if (stem.compare(QLocale::languageToString(language), Qt::CaseInsensitive) == 0)
            return language;
        const QLocale locale(language);
        // A language without locale data falls back to C, whose name says nothing.
        if (locale.language() == language &&
            stem.compare(locale.nativeLanguageName(), Qt::CaseInsensitive) == 0)
            return language;
    }
    return QLocale::AnyLanguage;
}

void TMultiLang::LoadQtTranslation(const QLocale& locale) {
    if (m_qtTranslation) {
        QCoreApplication::removeTranslator(m_qtTranslation.get());
        m_qtTranslation.reset();
    }
    // Debian keeps qtbase_xx.qm in Qt's translations folder (qt6-translations-l10n).
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(translator.get()))
        m_qtTranslation = std::move(translator);
}

void TMultiLang::FollowSystemLocale() {
    LoadQtTranslation(QLocale::system());
}

void TMultiLang::LoadLanguage(const QString& fileName) {
    if (!fileName.isEmpty() && QFileInfo(fileName).isFile()) {
        QFile file(fileName);
        if (file.open(QIODevice::ReadOnly)) {
            SetTranslations(DecodeLanguageFile(file.readAll()));
            m_languageFile = fileName;
            const QLocale::Language language = LanguageOfFile(fileName);
            if (language == QLocale::AnyLanguage)
                FollowSystemLocale();
            else
                LoadQtTranslation(QLocale(language));
            return;
        }
    }
    ResetToDefault();
}

void TMultiLang::ResetToDefault() {
    SetTranslations({});
    FollowSystemLocale();
    ApplyAll();
}

void TMultiLang::CollectAll() {
    const auto windows = ApplicationWindows();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        Collect((*it)->objectName(), *it);
}

void TMultiLang::ApplyAll() {
    const auto windows = ApplicationWindows();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        Apply((*it)->objectName(), *it);
        // Texts a window sets in code from its state (Start/Stop) follow in its own handler.
        QEvent changed(QEvent::LanguageChange);
        QCoreApplication::sendEvent(*it, &changed);
    }
}

void TMultiLang::Collect(const QString& prefix, QObject* component) {
    const QObjectList children = component->children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        QObject* child = *it;
        const QString name = child->objectName();
        if (IsMenu(child)) {
            const auto items = TopLevelItems(child);
            for (auto item = items.rbegin(); item != items.rend(); ++item)
                AddDesignText(prefix + (*item)->objectName(), (*item)->text());
            continue;
        }
        if (IsOtherWindow(child) || !child->isWidgetType())
            continue;
        if (IsOwnControl(name)) {
            if (IsTextControl(child)) {
                AddDesignText(prefix + name, ControlText(child));
                const QString hint = static_cast<QWidget*>(child)->toolTip();
                if (!hint.isEmpty())
                    AddDesignText(prefix + name + QStringLiteral("Hint"), hint);
            } else if (QHeaderView* header = ListViewHeader(child)) {
                QStringList captions;
                if (QAbstractItemModel* model = header->model()) {
                    for (int c = 0; c < model->columnCount(); ++c)
                        captions.append(model->headerData(c, Qt::Horizontal).toString());
                }
                for (auto c = captions.rbegin(); c != captions.rend(); ++c)
                    AddDesignText(prefix + name + *c, *c);
                if (!child->property(DesignCaptionsProperty).isValid())
                    child->setProperty(DesignCaptionsProperty, captions);
            }
        }
        Collect(prefix, child);
    }
}

void TMultiLang::Apply(const QString& prefix, QObject* component) {
    const QObjectList children = component->children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        QObject* child = *it;
        const QString name = child->objectName();
        if (IsMenu(child)) {
            for (QAction* item : TopLevelItems(child))
                item->setText(Translate(DesignText(prefix + item->objectName())));
            continue;
        }
        if (IsOtherWindow(child) || !child->isWidgetType())
            continue;
        if (IsOwnControl(name)) {
            if (IsTextControl(child)) {
                if (!ControlText(child).isEmpty())
                    SetControlText(child, Translate(DesignText(prefix + name)));
                auto* widget = static_cast<QWidget*>(child);
                if (!widget->toolTip().isEmpty())
                    widget->setToolTip(
                        Translate(DesignText(prefix + name + QStringLiteral("Hint"))));
            } else if (QHeaderView* header = ListViewHeader(child)) {
                QAbstractItemModel* model = header->model();
                const QStringList originals =
                    child->property(DesignCaptionsProperty).toStringList();
                for (int c = 0; model && c < model->columnCount(); ++c) {
                    const QString caption = c < originals.size()
                                                ? originals[c]
                                                : model->headerData(c, Qt::Horizontal).toString();
                    model->setHeaderData(c, Qt::Horizontal,
                                         Translate(DesignText(prefix + name + caption)));
                }
            }
        }
        Apply(prefix, child);
    }
}
