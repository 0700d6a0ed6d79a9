#include "Desktop.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QStandardPaths>
#include <QUrl>

void QtDesktop::Flash(QWidget* window, int msec) {
    QApplication::alert(window, msec);
}

bool QtDesktop::OpenUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

void QtDesktop::SetClipboard(QMimeData* data) {
    QGuiApplication::clipboard()->setMimeData(data);
}

namespace {

// A trashed file sits in <trash>/files/<name> with <trash>/info/<name>.trashinfo beside it.
bool LandedInTrash(const QString& inTrash) {
    const QFileInfo moved(inTrash);
    const QDir files = moved.dir();
    return moved.isAbsolute() && files.dirName() == QStringLiteral("files") && moved.exists() &&
           QFileInfo::exists(files.absoluteFilePath(
               QStringLiteral("../info/%1.trashinfo").arg(moved.fileName())));
}

} // namespace

bool QtDesktop::MoveToTrash(const QByteArray& path, QString& error) {
    const QString name = QFile::decodeName(path);
    // A name that does not survive decoding would address another file.
    if (QFile::encodeName(name) != path) {
        error = QStringLiteral("The file name cannot be handed to the trash.");
        return false;
    }
    // Without its home folder Qt "trashes" into the current folder and still reports success.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    QFile file(name);
    if (!file.moveToTrash()) {
        error = file.errorString();
        return false;
    }
    if (LandedInTrash(file.fileName()))
        return true;
    // Moved somewhere that is no trash: put it back where it was, or at least say where it is.
    if (QFile::rename(file.fileName(), name))
        error = QStringLiteral("No trash could be found for this file.");
    else
        error = QStringLiteral("No trash could be found for this file; it was moved to %1.")
                    .arg(QDir::toNativeSeparators(file.fileName()));
    return false;
}
