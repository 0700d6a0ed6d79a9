#pragma once

#include <QString>
#include <QTime>

namespace orlisk {

// A rectangle in twips, single precision as the windows keep it.
struct TwipsRect {
    float Left = 0;
    float Top = 0;
    float Width = 0;
    float Height = 0;
};

// Scales a picture of the given size by the smaller of the two ratios, so it fits the frame
// whole with its aspect kept, and centres it in the frame.
TwipsRect FitIntoFrame(const TwipsRect& frame, float pictureWidth, float pictureHeight);

// Whole seconds between two times of day, halves to the even number. A download that runs
// over midnight still counts its own length.
int ElapsedSeconds(double startSecondsOfDay, double endSecondsOfDay);

// "Screenshot taken: HH:MM:SS ( n Sec/Pic )", the download's form: a blank before a number that
// is not negative, a minus sign otherwise.
QString DownloadStatusLine(const QTime& time, int seconds);

// The refresh's form, with the seconds text as the last download left it.
QString RefreshStatusLine(const QTime& time, const QString& seconds);

// "data.dat" in Orlisk's cache folder ($XDG_CACHE_HOME/orlisk), the file the download writes.
QString DataFilePath();

// Writes the picture file, making its folder if missing: the new bytes are written from its
// start without truncating it, so a longer earlier picture leaves its tail behind (the loader
// ignores it). On failure error says why.
bool WriteDataFile(const QString& path, const QByteArray& bytes, QString& error);

} // namespace orlisk
