#include "Dialogs.h"

#include <utility>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace {

QMessageBox::Icon ToQt(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Error:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MsgAnswer QtDialogs::MessageBox(QWidget* owner, const QString& text, const QString& title,
                                MsgIcon icon, MsgButtons buttons) {
    QMessageBox box(ToQt(icon), title, text,
                    buttons == MsgButtons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                    : QMessageBox::Ok,
                    owner);
    return box.exec() == QMessageBox::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
}

void QtDialogs::ShowException(QWidget* owner, const QString& message) {
    QString text = message;
    if (!text.isEmpty() && !text.endsWith(u'.'))
        text += u'.';
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok,
                    owner);
    box.exec();
}

QString QtDialogs::SelectFolder(QWidget* owner, const QString& caption) {
    return QFileDialog::getExistingDirectory(owner, caption, QDir::homePath(),
                                             QFileDialog::ShowDirsOnly);
}

namespace {

// "Text files (*.txt)|*.txt| CSV files (*.csv)|*.csv" -> the descriptions in Qt's form,
// each followed by the extension its pattern names ("txt", "csv").
std::vector<std::pair<QString, QString>> QtFilters(const QString& filter) {
    std::vector<std::pair<QString, QString>> filters;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString pattern = parts[i + 1].trimmed();
        QString description = parts[i].trimmed();
        if (!description.contains(u'('))
            description += QStringLiteral(" (%1)").arg(pattern);
        const qsizetype dot = pattern.lastIndexOf(u'.');
        filters.emplace_back(description, dot < 0 ? QString() : pattern.mid(dot + 1));
    }
    return filters;
}

} // namespace

QString QtDialogs::SaveFileName(QWidget* owner, const SaveRequest& request) {
    QFileDialog dialog(owner, request.Title, request.Folder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const auto filters = QtFilters(request.Filter);
    QStringList names;
    for (const auto& [description, extension] : filters)
        names.append(description);
    dialog.setNameFilters(names);
    dialog.setDefaultSuffix(request.DefaultExt);
    // A name typed without extension takes the one of the chosen file type.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& chosen) {
        for (const auto& [description, extension] : filters)
            if (description == chosen && !extension.isEmpty() && !extension.contains(u'*'))
                dialog.setDefaultSuffix(extension);
    });
    dialog.selectFile(request.FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
