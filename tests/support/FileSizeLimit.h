#pragma once

// Keeps files from growing past a size, as on a full disk: a write beyond it fails with EFBIG
// instead of SIGXFSZ ending the process. The old limit and the signal's old handling come back
// when it goes out of scope.

#include <csignal>

#include <sys/resource.h>

namespace testsupport {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, &m_oldAction);
        ::getrlimit(RLIMIT_FSIZE, &m_oldLimit);
        rlimit limit = m_oldLimit;
        limit.rlim_cur = bytes;
        m_active = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_oldLimit);
        ::sigaction(SIGXFSZ, &m_oldAction, nullptr);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    // Whether the limit was set.
    bool Active() const { return m_active; }

private:
    struct sigaction m_oldAction {};
    rlimit m_oldLimit{};
    bool m_active = false;
};

} // namespace testsupport
