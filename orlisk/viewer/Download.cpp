#include "viewer/Download.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cmath>
#include <filesystem>
#include <system_error>

namespace orlisk {

TwipsRect FitIntoFrame(const TwipsRect& frame, float pictureWidth, float pictureHeight) {
    const float rW = frame.Width / pictureWidth;
    const float rH = frame.Height / pictureHeight;
    TwipsRect r;
    if (rW < rH) {
        r.Width = pictureWidth * rW;
        r.Height = pictureHeight * rW;
    } else {
        r.Height = pictureHeight * rH;
        r.Width = pictureWidth * rH;
    }
    r.Left = frame.Width / 2 - r.Width / 2 + frame.Left;
    r.Top = frame.Height / 2 - r.Height / 2 + frame.Top;
    return r;
}

int ElapsedSeconds(double startSecondsOfDay, double endSecondsOfDay) {
    double elapsed = endSecondsOfDay - startSecondsOfDay;
    if (elapsed < 0)
        elapsed += 86400;
    return static_cast<int>(std::nearbyint(elapsed));
}

QString DownloadStatusLine(const QTime& time, int seconds) {
    const QString number =
        seconds >= 0 ? QStringLiteral(" ") + QString::number(seconds) : QString::number(seconds);
    return QStringLiteral("Screenshot taken: ") + time.toString(QStringLiteral("HH:mm:ss")) +
           QStringLiteral(" (") + number + QStringLiteral(" Sec/Pic )");
}

QString RefreshStatusLine(const QTime& time, const QString& seconds) {
    return QStringLiteral("Screenshot taken: ") + time.toString(QStringLiteral("HH:mm:ss")) +
           QStringLiteral(" ( ") + seconds + QStringLiteral(" Sec/Pic )");
}

QString DataFilePath() {
    // The download's own file: never in the folder the user started the program in, where a
    // file of that name may be the user's and the folder may not be writable.
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/orlisk/data.dat");
}

bool WriteDataFile(const QString& path, const QByteArray& bytes, QString& error) {
    const QFileInfo info(path);
    std::error_code made;
    std::filesystem::create_directories(QFile::encodeName(info.absolutePath()).toStdString(), made);
    if (made) {
        error = QStringLiteral("cannot make the folder ") + info.absolutePath() +
                QStringLiteral(": ") + QString::fromLocal8Bit(made.message());
        return false;
    }
    // Never write into a FIFO or device that happens to carry the name: it could block forever.
    if (info.exists() && !info.isFile()) {
        error = QStringLiteral("it is not a regular file");
        return false;
    }
    QFile file(path);
    // ReadWrite, because a write-only open truncates the file first.
    if (!file.open(QIODevice::ReadWrite)) {
        error = file.errorString();
        return false;
    }
    if (!file.seek(0) || file.write(bytes) != bytes.size() || !file.flush()) {
        error = file.errorString();
        return false;
    }
    file.close();
    return true;
}

} // namespace orlisk
