#include "FileReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TFileReader::~TFileReader() {
    Close();
}

bool TFileReader::Open(const std::string& path) {
    Close();
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below anyway.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_size = static_cast<int64_t>(st.st_size);
    return true;
}

void TFileReader::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_size = 0;
    m_readCalls = 0;
    for (Window* w : {&m_head, &m_tail, &m_middle})
        w->size = 0;
}

bool TFileReader::Window::Holds(int64_t at, size_t n) const {
    return size > 0 && at >= offset && static_cast<uint64_t>(at - offset) + n <= size;
}

const TFileReader::Window* TFileReader::Cached(int64_t offset, size_t n) const {
    for (const Window* w : {&m_head, &m_tail, &m_middle})
        if (w->Holds(offset, n))
            return w;
    return nullptr;
}

int64_t TFileReader::ReadFully(int64_t offset, void* dst, size_t n) {
    auto* out = static_cast<uint8_t*>(dst);
    size_t done = 0;
    while (done < n) {
        ++m_readCalls;
        ssize_t got = ::pread(m_fd, out + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    return static_cast<int64_t>(done);
}

bool TFileReader::Fill(Window& window, int64_t offset, size_t n) {
    if (n > window.capacity) {
        // Not value-initialised: only the bytes read are ever looked at.
        window.bytes = std::make_unique_for_overwrite<uint8_t[]>(n);
        window.capacity = n;
    }
    window.size = 0;
    int64_t got = ReadFully(offset, window.bytes.get(), n);
    if (got < 0)
        return false;
    window.offset = offset;
    window.size = static_cast<size_t>(got);
    return true;
}

int64_t TFileReader::ReadAt(int64_t offset, void* dst, size_t n) {
    if (m_fd < 0 || offset < 0)
        return -1;
    if (offset >= m_size || n == 0)
        return 0;
    // Bytes past the size seen at opening are not asked for: every result stays consistent
    // with Size() even when the file grows meanwhile.
    n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(n), m_size - offset));

    if (!Cached(offset, n)) {
        const int64_t tailStart = std::max<int64_t>(0, m_size - static_cast<int64_t>(TailWindow));
        if (m_head.size == 0 && offset < static_cast<int64_t>(HeadWindow)) {
            const int64_t want = std::max<int64_t>(HeadWindow, offset + static_cast<int64_t>(n));
            Fill(m_head, 0, static_cast<size_t>(std::min(want, m_size)));
        } else if (offset >= tailStart) {
            const int64_t start = std::min(offset, tailStart);
            Fill(m_tail, start, static_cast<size_t>(m_size - start));
        } else {
            const int64_t want = std::max<int64_t>(HeadWindow, static_cast<int64_t>(n));
            Fill(m_middle, offset, static_cast<size_t>(std::min(want, m_size - offset)));
        }
    }
    if (const Window* w = Cached(offset, n)) {
        std::memcpy(dst, w->bytes.get() + (offset - w->offset), n);
        return static_cast<int64_t>(n);
    }
    // A window came back short (the file shrank, or a read failed): read the bytes directly.
    return ReadFully(offset, dst, n);
}
