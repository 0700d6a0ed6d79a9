#include "FileIO.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fileio {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other)
        Reset(other.Release());
    return *this;
}

int UniqueFd::Release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void UniqueFd::Reset(int fd) {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

bool UniqueFd::CloseChecked() {
    const int fd = Release();
    return fd >= 0 && ::close(fd) == 0;
}

UniqueFd OpenRegular(const std::string& path, int flags, struct stat* st) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below anyway.
    UniqueFd fd(::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd)
        return fd;
    struct stat own {};
    struct stat& s = st ? *st : own;
    if (::fstat(fd.Get(), &s) != 0 || !S_ISREG(s.st_mode))
        fd.Reset();
    return fd;
}

int64_t ReadFullyAt(int fd, void* dst, size_t n, int64_t offset, unsigned* calls) {
    auto* p = static_cast<char*>(dst);
    size_t got = 0;
    while (got < n) {
        if (calls)
            ++*calls;
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

bool WriteAll(int fd, const void* data, size_t n, int64_t offset) {
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

bool AddOwnerWrite(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (st.st_mode & S_IWUSR)
        return true;
    return ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

int FailureReason(int fallback) {
    return errno != 0 ? errno : fallback;
}

int64_t ReadFromBytes(std::string_view bytes, int64_t offset, void* dst, size_t n) {
    if (offset < 0)
        return -1;
    if (static_cast<uint64_t>(offset) >= bytes.size())
        return 0;
    const size_t count = std::min(n, bytes.size() - static_cast<size_t>(offset));
    std::memcpy(dst, bytes.data() + offset, count);
    return static_cast<int64_t>(count);
}

} // namespace fileio
