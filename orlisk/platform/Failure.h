#pragma once

#include <QString>

namespace orlisk {

// A failed step of the viewer: the number and text it shows in both windows.
struct Failure {
    int Number = 0;
    QString Description;
};

// Error numbers of Orlisk. HTTP errors carry the HTTP status itself (404, 500...).
namespace ErrorNumber {
inline constexpr int InvalidAddress = 35750;
inline constexpr int HostNotFound = 35751;
inline constexpr int ConnectionRefused = 35752;
inline constexpr int TimedOut = 35753;
inline constexpr int CutShort = 35754;
inline constexpr int TooLarge = 35755;
inline constexpr int EmptyBody = 35756;
inline constexpr int Network = 35757;
inline constexpr int Cancelled = 35758;
inline constexpr int Busy = 35764; // a request is still running; the viewer treats it as no error
inline constexpr int InvalidPicture = 35770;
inline constexpr int FileWrite = 35771;
} // namespace ErrorNumber

} // namespace orlisk
