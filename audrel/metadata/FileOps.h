#pragma once

// Small POSIX helpers shared by the tag writers.

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fileops {

// Stands in for clearing the read-only attribute before a tag write: the owner's write
// permission is added, and nothing is restored afterwards.
inline bool AddOwnerWrite(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (st.st_mode & S_IWUSR)
        return true;
    return ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

// Writes all n bytes at offset (or at the current position when offset is negative).
inline bool WriteAll(int fd, const void* data, size_t n, int64_t offset = -1) {
    const auto* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t done =
            offset >= 0 ? ::pwrite(fd, p, n, static_cast<off_t>(offset)) : ::write(fd, p, n);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        p += done;
        n -= static_cast<size_t>(done);
        if (offset >= 0)
            offset += done;
    }
    return true;
}

// Reads up to n bytes at offset; the count read, or -1 on an error.
inline int64_t ReadAll(int fd, void* data, size_t n, int64_t offset) {
    auto* p = static_cast<char*>(data);
    size_t got = 0;
    while (got < n) {
        const ssize_t r = ::pread(fd, p + got, n - got, static_cast<off_t>(offset + got));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return -1;
        if (r == 0)
            break;
        got += static_cast<size_t>(r);
    }
    return static_cast<int64_t>(got);
}

// Opens an existing regular file; -1 for anything else (a FIFO is never waited on).
inline int OpenRegular(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The errno of a step that has just failed (callers clear errno before the step), or the
// fallback when the step set none (a file too short, say).
inline int FailureReason(int fallback) {
    return errno != 0 ? errno : fallback;
}

// Closes and says whether the close (the last chance to learn of a write error) went well.
inline bool CloseChecked(int fd) {
    return ::close(fd) == 0;
}

} // namespace fileops
