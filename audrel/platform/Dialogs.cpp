#include "Dialogs.h"

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
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text,
                    QMessageBox::Ok, owner);
    box.exec();
}

QString QtDialogs::SelectFolder(QWidget* owner, const QString& caption) {
    return QFileDialog::getExistingDirectory(owner, caption, QDir::homePath(),
                                             QFileDialog::ShowDirsOnly);
}
