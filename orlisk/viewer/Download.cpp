#include "viewer/Download.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

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
    QString folder = QDir::currentPath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + QStringLiteral("data.dat");
}

bool WriteDataFile(const QString& path, const QByteArray& bytes, QString& error) {
    const QFileInfo info(path);
    // Never write into a FIFO or device that happens to carry the name: it could block forever.
    if (info.exists() && !info.isFile()) {
        error = QStringLiteral("data.dat is not a regular file");
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
